#pragma once

#include "core/app/config_file.h"
#include "core/language/language.h"

#include <QHash>
#include <QMainWindow>
#include <QPixmap>

#include <filesystem>
#include <string>
#include <vector>

class QAction;
class QActionGroup;
class QComboBox;
class QLabel;
class QMdiArea;
class QMenu;
class QToolBar;
class QToolButton;

namespace cantelo {

class BannerMenu;
class LanguageMenu;
class TMDIChild;

// The editor's frame: the workspace with its three permanent children, the main menu, the tool
// bars with their position read-outs and the status bar. It wires commands to whoever carries
// them out and holds no editing logic: every command is an action that emits command(name)
// (name = the menu item's component name, e.g. "mnuApri"); the tool buttons and context-menu
// twins trigger the same action. User-interface thread only.
class TCanteloEd1 : public QMainWindow {
    Q_OBJECT
public:
    static constexpr const char* kCaption = "Cantelo Edit 1.13";
    static constexpr int kToolBarHeight = 30;
    static constexpr int kWallpaperSize = 128;

    // Builds the whole window in the order of its start-up: the settings, the language (read
    // from `languageFile`; the built-in Italian texts when it cannot be read), the children with
    // their captions and places, the tool bars moved into them. Nothing is shown yet.
    TCanteloEd1(const Configuration& settings, const std::filesystem::path& languageFile,
                QWidget* parent = nullptr);
    ~TCanteloEd1() override;

    // Shows the window the way the settings ask: a width below 1024 opens a normal window of
    // the stored size, centred; otherwise it opens maximised. The event panel takes the focus.
    void showAsConfigured();

    // The settings to write back at close: those given at start-up with the places and sizes of
    // the window and its children and the language now in use.
    Configuration currentConfiguration() const;
    // The settings that other parts of the editor change while it runs (device, colours,
    // background).
    Configuration& settings() { return m_settings; }

    // A song has been opened successfully (true) or the last open failed (false); the commands
    // that need a song follow.
    void setSongLoaded(bool loaded);
    bool songLoaded() const { return m_songLoaded; }
    // Sets every command's enabled state from the current state.
    void updateCommandStates();
    // Whether the player runs: Ctrl+Space stops it then, and plays otherwise.
    void setPlaying(bool playing) { m_playing = playing; }
    bool playing() const { return m_playing; }

    // The state behind the two toggles of the output menu, which their captions show.
    bool portClosed() const { return m_portClosed; }
    bool sysExEnabled() const { return !m_sysExOff; }

    // Fills "Uscita Midi" with one checkable item per output (its listing index as data),
    // `current` checked; choosing one emits outputChosen.
    void setOutputDevices(const std::vector<std::string>& names, int current);

    QAction* action(const QString& name) const { return m_actions.value(name); }
    QMenu* menu(const QString& name) const { return m_menus.value(name); }
    QToolButton* toolButton(const QString& name) const { return m_buttons.value(name); }
    QLabel* label(const QString& name) const { return m_labels.value(name); }
    QComboBox* melodyChannelBox() const { return m_channelBox; }
    QToolBar* toolBar1() const { return m_toolBar1; }
    QToolBar* toolBar2() const { return m_toolBar2; }
    QMdiArea* workspace() const { return m_workspace; }
    TMDIChild* eventPanelChild() const { return m_eventPanel; }
    TMDIChild* editorChild() const { return m_editor; }
    TMDIChild* monitorChild() const { return m_monitor; }
    // The editor's context menu, its "Opzioni Testo" sub-menu, the MIDI parameters window's
    // velocity menu and the grid's two menus.
    BannerMenu* popupMenu1() const { return m_popupMenu1; }
    BannerMenu* textOptionsPopup() const { return m_textOptionsPopup; }
    BannerMenu* popupMenu2() const { return m_popupMenu2; }
    QMenu* gridNoteMenu() const { return m_pMnu1; }
    QMenu* gridDeleteMenu() const { return m_pMnu2; }
    LanguageMenu& language() const { return *m_language; }
    const QPixmap& wallpaperTile() const { return m_wallpaper; }

    // The workspace tile: 128 x 128, drawn once.
    static QPixmap drawWallpaperTile();

signals:
    // A command whose behaviour lives outside the window (file, transport, tools, text).
    void command(const QString& name);
    // The three commands of "Informazioni", for the about box, the guide and the web page.
    void aboutRequested();
    void helpRequested();
    void webSiteRequested();
    // An entry of "Uscita Midi" was chosen (listing index).
    void outputChosen(int index);
    // The window is closing: the moment to stop playback and write the settings.
    void closing();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // commands_window.cpp: the command table.
    void buildMenus();
    void buildPopupMenus();
    void buildToolBar1();
    void buildToolBar2();
    QAction* addCommand(QMenu* menu, const char* name, TextId caption, const char* icon);
    QAction* addTwin(QMenu* menu, const char* name, const char* original);
    QMenu* addSubMenu(QMenu* parent, const char* name, TextId caption, const char* icon);
    QToolButton* addToolButton(QToolBar* bar, const char* name, const char* command,
                               const char* icon, bool onPress);
    QLabel* addReadout(QToolBar* bar, const char* name, const char* text, int pixelHeight,
                       std::uint32_t bgr);
    QLabel* addCaptionLabel(QToolBar* bar, const char* name);

    // main_window.cpp
    void buildChildren();
    void applyTexts();
    void togglePort();
    void toggleSysEx();

    struct Caption {
        QObject* target; // a QAction (its text) or a QWidget (its hint)
        TextId id;
        bool hint;
    };

    Configuration m_settings;
    bool m_songLoaded = false;
    bool m_playing = false;
    bool m_portClosed = false;
    bool m_sysExOff = false;

    QHash<QString, QAction*> m_actions;
    QHash<QString, QMenu*> m_menus;
    QHash<QString, QToolButton*> m_buttons;
    QHash<QString, QLabel*> m_labels;
    std::vector<Caption> m_captions;
    std::vector<QAction*> m_deviceItems;
    QActionGroup* m_deviceGroup = nullptr;

    QMdiArea* m_workspace = nullptr;
    QToolBar* m_toolBar1 = nullptr;
    QToolBar* m_toolBar2 = nullptr;
    QToolBar* m_toolBar2Row2 = nullptr; // the bar's locator and length read-outs
    QComboBox* m_channelBox = nullptr;
    TMDIChild* m_eventPanel = nullptr;
    TMDIChild* m_editor = nullptr;
    TMDIChild* m_monitor = nullptr;
    BannerMenu* m_popupMenu1 = nullptr;
    BannerMenu* m_textOptionsPopup = nullptr;
    BannerMenu* m_popupMenu2 = nullptr;
    QMenu* m_pMnu1 = nullptr;
    QMenu* m_pMnu2 = nullptr;
    LanguageMenu* m_language = nullptr;
    QPixmap m_wallpaper;
};

} // namespace cantelo
