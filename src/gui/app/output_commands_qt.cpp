#include "gui/app/output_commands_qt.h"

#include "core/app/config_file.h"
#include "core/document/transport.h"
#include "core/playback/chase_channels.h"
#include "core/playback/midi_device.h"
#include "core/playback/midi_player.h"
#include "gui/app/language_menu_qt.h"
#include "gui/app/main_window.h"
#include "gui/app/message_window.h"

#include <utility>

namespace cantelo {

OutputCommands::OutputCommands(TCanteloEd1& window, MidiDevice& device, CMidiPlayer& player,
                               Transport& transport, std::filesystem::path configFolder)
    : m_window(window), m_device(device), m_player(player), m_transport(transport),
      m_configFolder(std::move(configFolder)) {
    m_device.setMessageSink([this] { onDeviceFailed(); });
    m_device.setDeviceNumber(m_window.settings().deviceIndex);
    m_device.listDevices();
    m_window.settings().deviceIndex = m_device.deviceNumber();
    m_window.setOutputDevices(m_device.deviceNames(), m_device.deviceNumber());
    m_player.setSysExEnabled(m_window.sysExEnabled());
    QObject::connect(&m_window, &TCanteloEd1::outputChosen, &m_window,
                     [this](int index) { chooseOutput(index); });
}

void OutputCommands::openUnlessClosed() {
    if (!m_window.portClosed()) m_device.OpenDevice();
}

void OutputCommands::chooseOutput(int index) {
    m_device.setDeviceNumber(index);
    m_window.settings().deviceIndex = index;
    // A first start has no file yet: the choice is then written with the rest at close.
    storeOutputDevice(m_configFolder, index);
    // An output the user picks is worth a message of its own if it fails.
    m_noAudioShown = false;
    m_device.OpenDevice();
}

void OutputCommands::togglePort() {
    m_window.setPortClosed(!m_window.portClosed());
    if (m_window.portClosed()) {
        m_device.close();
        return;
    }
    m_device.OpenDevice();
    m_transport.requestFullRefresh();
}

void OutputCommands::toggleSysEx() {
    m_window.setSysExEnabled(!m_window.sysExEnabled());
    m_player.setSysExEnabled(m_window.sysExEnabled());
}

void OutputCommands::restartDevice() {
    m_device.reset();
    m_device.OpenDevice();
    ChaseChannels(m_player, m_device, ChaseKinds::all());
}

void OutputCommands::onDeviceFailed() {
    const LanguageMenu& language = m_window.language();
    if (m_device.deviceNumber() != 0) {
        ShowMessage(&m_window, language.texts(), Message::DeviceError);
        return;
    }
    if (m_noAudioShown) return;
    m_noAudioShown = true;
    QString why = language.text(ExtraTextId::NoAudioLine2);
    if (!m_device.lastError().empty())
        why += QLatin1Char(' ') + QString::fromStdString(m_device.lastError());
    ShowMessageWindow(&m_window, language.text(ExtraTextId::NoAudioLine1), why, true,
                      MessageButtons::Ok);
}

} // namespace cantelo
