#pragma once

#include "core/language/extra_texts.h"
#include "core/language/language.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <variant>

namespace cantelo {

// Every command the user can give from a menu, a context menu or a tool button. A context-menu
// twin and a tool button give the same command as the menu item they repeat.
enum class CommandId : std::uint8_t {
    // "&File"
    Open,
    Save,
    SaveAs,
    LoadSyllables,
    SaveSyllables,
    Quit,
    // "Comandi"
    Play,
    Stop,
    Synchronise,
    GoToStart,
    GoToEnd,
    MeasureBack,
    MeasureForward,
    // "Strumenti"
    MidiParameters,
    Undo,
    Redo,
    ClearText,
    ImportText,
    Syllabify,
    AllUpperCase,
    AllLowerCase,
    SyllableStartUpper,
    SyllableStartLower,
    ExportText,
    AdaptText,
    BindToMelody,
    JoinSyllables,
    ManualPositioning,
    BindFirstNote,
    KeepBound,
    SetReference,
    ClearReference,
    ZoomIn,
    ZoomOut,
    SysExViewer,
    TempoEvents,
    Measures,
    PatchInstruments,
    Mixer,
    MonitorBackground,
    ClearAllBanks,
    RestartDevice,
    // "Opzioni"
    ClosePort,
    NoSysEx,
    TapLatency, // beyond the original menus: the delay taken off every key tap
    // "Informazioni"
    About,
    Help,
    WebSite,
    // The grid's two pop-ups, its sound bar and the MIDI parameters window's velocity steps.
    BindToNote,
    DeleteNote,
    SoundBar,
    VelocityUp1,
    VelocityUp5,
    VelocityUp10,
    VelocityUp50,
    VelocityDown1,
    VelocityDown5,
    VelocityDown10,
    VelocityDown50,
    Count
};

inline constexpr int kCommandCount = static_cast<int>(CommandId::Count);

// When a command can be given.
enum class Enabling : std::uint8_t {
    Always,
    SongOpen,     // a song has been opened successfully
    Idle,         // the player is not playing
    IdleWithSong, // both
    CanUndo,
    CanRedo,
    Later, // shown but disabled: the window or view that carries it out is still to come
};

// The state the enabling rules read.
struct CommandContext {
    bool songOpen = false;
    bool playing = false;
    bool canUndo = false;
    bool canRedo = false;

    bool operator==(const CommandContext&) const = default;
};

// A caption or hint: a slot of the language file, or one of the texts beyond its slots.
using CommandCaption = std::variant<TextId, ExtraTextId>;

struct CommandRow {
    CommandId id;
    std::string_view name; // the component name of its main-menu item (tool button when none)
    CommandCaption caption;
    std::string_view icon; // picture name, without folder or extension
    // Key sequences in portable form ("Ctrl+Shift+Z"); unused entries are empty.
    std::array<std::string_view, 2> shortcuts;
    bool checkable;
    Enabling enabling;
};

// The row of a command. Any thread: the table is constant.
const CommandRow& commandRow(CommandId id);
// Every row, in CommandId order.
std::span<const CommandRow> commandRows();
// The command whose row carries `name`; twins' names are not rows (see MenuEntry::name).
std::optional<CommandId> commandNamed(std::string_view name);

// Whether the command can be given in `context`. Pure.
bool commandEnabled(CommandId id, const CommandContext& context);

// The menus, as flat lists read in order: a SubMenu entry opens a sub-menu that the matching
// EndSubMenu closes. The main menu's top level consists of sub-menus only.
enum class MenuId : std::uint8_t {
    MainMenu,
    EditorPopup,   // the text editor's context menu ("PopupMenu1")
    GridNote,      // "pMnu1"
    GridDelete,    // "pMnu2"
    VelocityPopup, // the MIDI parameters window's "PopupMenu2"
};

enum class MenuEntryKind : std::uint8_t { Command, Separator, SubMenu, EndSubMenu };

struct MenuEntry {
    MenuEntryKind kind;
    CommandId command = CommandId::Count; // Command entries
    // A sub-menu's component name, or a command's when it differs from its row's (a twin).
    std::string_view name = {};
    CommandCaption caption = TextId::reserved36; // sub-menus
    std::string_view icon = {};                  // sub-menus
};

std::span<const MenuEntry> menuLayout(MenuId menu);
// The component name of the menu itself ("MainMenu2", "PopupMenu1", ...).
std::string_view menuName(MenuId menu);

} // namespace cantelo
