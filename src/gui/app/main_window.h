#pragma once

#include "core/app/command_table.h"
#include "core/app/config_file.h"
#include "core/language/language.h"
#include "gui/app/command_dispatcher.h"

#include <QHash>
#include <QMainWindow>
#include <QPixmap>

#include <array>
#include <filesystem>
#include <string>
#include <vector>

class QAction;
class QActionGroup;
class QComboBox;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QToolBar;
class QToolButton;

namespace cantelo {

class BannerMenu;
class LanguageMenu;
class PositionSliderBar;
class TMDIChild;

// The editor's frame: the workspace with its three permanent children, the main menu, the tool
// bars with their position read-outs and the status bar. It wires commands to whoever carries
// them out and holds no editing logic. Its menus, context menus and tool buttons are built from
// the command table: each command is one action, shared by its menu item, its context-menu twin
// and its tool button, which emits command(id) and runs the dispatcher's handler. User-interface
// thread only.
class TCanteloEd1 : public QMainWindow {
    Q_OBJECT
public:
    static constexpr const char* kCaption = "Cantelo Edit 1.13";
    static constexpr int kToolBarHeight = 30;
    // Each of the event panel's two tool-bar rows: together they fill the 40 pixels above the
    // grid.
    static constexpr int kPanelBarRowHeight = 20;
    static constexpr int kWallpaperSize = 128;
    // The instrument name's fixed width: a long name is cut with an ellipsis rather than
    // pushing the buttons beside it.
    static constexpr int kInstrumentNameWidth = 124;

    // Builds the whole window in the order of its start-up: the settings, the language (read
    // from `languageFile`; the built-in Italian texts when it cannot be read), the children with
    // their captions and places, the tool bars moved into them. Nothing is shown yet.
    TCanteloEd1(const Configuration& settings, const std::filesystem::path& languageFile,
                QWidget* parent = nullptr);
    ~TCanteloEd1() override;

    // Shows the window the way the settings ask: a width below 1024 opens a normal window of
    // the stored size, centred; otherwise it opens maximised. A stored size larger than the
    // screen's available area shrinks to it, and the window never starts outside it. The event
    // panel takes the focus.
    void showAsConfigured();

    // The settings to write back at close: those given at start-up with the places and sizes of
    // the window and its children and the language now in use.
    Configuration currentConfiguration() const;
    // The settings that other parts of the editor change while it runs (device, colours,
    // background).
    Configuration& settings() { return m_settings; }

    // The title for the song `fileName` (a name without folder; empty when no song is open),
    // with the place where Qt shows the unsaved-changes mark of setWindowModified.
    void setDocumentTitle(const QString& fileName);

    // Enables every command by its rule for `context` (tool buttons follow their command). The
    // context is kept: Ctrl+Space stops while it says playing, and plays otherwise.
    void updateCommandStates(const CommandContext& context);
    const CommandContext& commandContext() const { return m_context; }
    // Whoever carries out the commands registers here; the window itself handles "Esci".
    CommandDispatcher& dispatcher() { return m_dispatcher; }

    // The state behind the two toggles of the output menu, which their captions and icons show.
    bool portClosed() const { return m_portClosed; }
    void setPortClosed(bool closed);
    bool sysExEnabled() const { return !m_sysExOff; }
    void setSysExEnabled(bool enabled);

    // Fills "Uscita Midi" with one checkable item per output (its listing index as data),
    // `current` checked; choosing one emits outputChosen.
    void setOutputDevices(const std::vector<std::string>& names, int current);

    // The command's action (shared by its menu item, twin and tool button).
    QAction* action(CommandId id) const { return m_commandActions[static_cast<std::size_t>(id)]; }
    // An item by component name: a command's, a twin's or a sub-menu's.
    QAction* action(const QString& name) const { return m_actions.value(name); }
    QMenu* menu(const QString& name) const { return m_menus.value(name); }
    QToolButton* toolButton(const QString& name) const { return m_buttons.value(name); }
    QLabel* label(const QString& name) const { return m_labels.value(name); }
    QComboBox* melodyChannelBox() const { return m_channelBox; }
    PositionSliderBar* positionSlider() const { return m_positionSlider; }
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

    // Shows `content` in a new closable window of the workspace with `title`, centred; the window
    // and its content are deleted when it closes.
    QMdiSubWindow* addToolWindow(QWidget* content, const QString& title);

    // The workspace tile: 128 x 128, drawn once.
    static QPixmap drawWallpaperTile();

    // Where a normal window of `size` opens on a screen whose available area is `available`:
    // centred, shrunk to fit, never outside.
    static QRect placeWithin(QSize size, const QRect& available);

signals:
    // A command was given, from any of its entries; emitted before its handler runs.
    void command(CommandId id);
    // An entry of "Uscita Midi" was chosen (listing index).
    void outputChosen(int index);
    // The window is closing: the moment to stop playback and write the settings.
    void closing();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // commands_window.cpp: the menus and tool bars, built from the command table.
    void createCommandActions();
    void runCommand(CommandId id);
    void fillMenu(MenuId id, QWidget* root);
    void buildMenus();
    void buildToolBar1();
    void buildToolBar2();
    QToolButton* addToolButton(QToolBar* bar, const char* name, CommandId id, bool onPress);
    QLabel* addReadout(QToolBar* bar, const char* name, const char* text, int pixelHeight,
                       std::uint32_t bgr);
    QLabel* addCaptionLabel(QToolBar* bar, const char* name);

    // main_window.cpp
    void buildChildren();
    void applyTexts();

    struct Caption {
        QObject* target; // a QAction (its text) or a QWidget (its hint)
        CommandCaption id;
        bool hint;
    };

    Configuration m_settings;
    CommandContext m_context;
    CommandDispatcher m_dispatcher;
    bool m_portClosed = false;
    bool m_sysExOff = false;

    std::array<QAction*, kCommandCount> m_commandActions{};
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
    PositionSliderBar* m_positionSlider = nullptr;
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
