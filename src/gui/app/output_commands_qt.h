#pragma once

#include <filesystem>

namespace cantelo {

class CMidiPlayer;
class MidiDevice;
class TCanteloEd1;
class Transport;

// The "Opzioni" side of playback: the choice of output, closing and reopening the port, the SysEx
// switch and the device restart, with the messages a failed output gives. User-interface thread.
class OutputCommands {
public:
    // Lists the outputs into "Uscita Midi" and takes the stored choice; opens nothing yet.
    OutputCommands(TCanteloEd1& window, MidiDevice& device, CMidiPlayer& player,
                   Transport& transport, std::filesystem::path configFolder);

    // Opens the chosen output unless the user closed the port.
    void openUnlessClosed();
    void chooseOutput(int index);
    void togglePort();
    void toggleSysEx();
    void restartDevice();

private:
    // A failed open. The built-in synthesizer fails only when the machine has no audio output:
    // that is said once, with its reason, since every later open would fail the same way; a port
    // the user chose is reported each time.
    void onDeviceFailed();

    TCanteloEd1& m_window;
    MidiDevice& m_device;
    CMidiPlayer& m_player;
    Transport& m_transport;
    std::filesystem::path m_configFolder;
    bool m_noAudioShown = false;
};

} // namespace cantelo
