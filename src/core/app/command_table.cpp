#include "core/app/command_table.h"

namespace cantelo {

namespace {

using C = CommandId;
using E = Enabling;

constexpr CommandRow row(C id, std::string_view name, CommandCaption caption, std::string_view icon,
                         E enabling, std::array<std::string_view, 2> shortcuts = {},
                         bool checkable = false) {
    return {id, name, caption, icon, shortcuts, checkable, enabling};
}

constexpr std::array<CommandRow, kCommandCount> kRows = {{
    row(C::Open, "mnuApri", TextId::mnuApri, "open", E::Always, {"Ctrl+O"}),
    row(C::Save, "mnuSalva", TextId::mnuSalva, "save", E::SongOpen, {"Ctrl+S"}),
    row(C::SaveAs, "mnuSaveAs", TextId::mnuSaveAs, "save_as", E::SongOpen),
    row(C::LoadSyllables, "mnuLoadSillabe", TextId::mnuLoadSillabe, "open_syllables", E::Always),
    row(C::SaveSyllables, "mnuSaveSillabe", TextId::mnuSaveSillabe, "save_syllables", E::Always),
    row(C::Quit, "mnuEsci", TextId::mnuEsci, "exit", E::Always, {"Ctrl+Q"}),

    // Play and Stop stay available while playing: Play then does nothing, and Ctrl+Space
    // toggles between them.
    row(C::Play, "mnuPlay", TextId::mnuPlay, "play", E::Always),
    row(C::Stop, "mnuStop", TextId::mnuStop, "stop", E::Always),
    row(C::Synchronise, "mnuRec", TextId::mnuRec, "record", E::IdleWithSong),
    // The jumps are ignored while playing, so they are shown unavailable then.
    row(C::GoToStart, "mnuGoInit", TextId::mnuGoInit, "go_start", E::Idle),
    row(C::GoToEnd, "mnuGoEnd", TextId::mnuGoEnd, "go_end", E::Idle),
    row(C::MeasureBack, "mnuGoBack", TextId::mnuGoBack, "go_back", E::Idle),
    row(C::MeasureForward, "mnuGoNext", TextId::mnuGoNext, "go_next", E::Idle),

    row(C::MidiParameters, "mnuMidiParam", TextId::mnuMidiParam, "midi_param", E::Always),
    row(C::Undo, "mnuUndo", ExtraTextId::mnuUndo, "undo", E::CanUndo, {"Ctrl+Z"}),
    row(C::Redo, "mnuRedo", ExtraTextId::mnuRedo, "redo", E::CanRedo, {"Ctrl+Shift+Z", "Ctrl+Y"}),
    row(C::ClearText, "mnuPulisci", TextId::mnuPulisci, "clear_text", E::Always),
    row(C::ImportText, "mnuImporta", TextId::mnuImporta, "import_text", E::Always),
    row(C::Syllabify, "mnuSillaba", TextId::mnuSillaba, "syllabify", E::Always),
    row(C::AllUpperCase, "mnuTextToUpperM", TextId::mnuTextToUpperM, "upper", E::Always),
    row(C::AllLowerCase, "mnuTextToLowerM", TextId::mnuTextToLowerM, "lower", E::Always),
    row(C::SyllableStartUpper, "mnuCharToUpperM", TextId::mnuCharToUpperM, "char_upper", E::Always),
    row(C::SyllableStartLower, "mnuCharToLowerM", TextId::mnuCharToLowerM, "char_lower", E::Always),
    row(C::ExportText, "mnuEsportaTestoM", TextId::mnuEsportaTestoM, "export_text", E::Always),
    row(C::AdaptText, "mnuAdatta", TextId::mnuAdatta, "fit_text", E::Always),
    // Binding needs the melody notes, which only a song has.
    row(C::BindToMelody, "mnuAggancia", TextId::mnuAggancia, "bind_melody", E::SongOpen,
        {"Ctrl+A"}),
    row(C::JoinSyllables, "mnuUnisciSil", TextId::mnuUnisciSil, "join_syllables", E::Always),
    row(C::ManualPositioning, "mnuTrascina", TextId::mnuTrascina, "drag", E::Always, {}, true),
    row(C::BindFirstNote, "mnuAgganciaPrimaNota", TextId::mnuAgganciaPrimaNota, "first_note",
        E::SongOpen),
    row(C::KeepBound, "mnuMantieniAggSN", TextId::mnuMantieniAggSN, "keep_bound", E::Always, {},
        true),
    // The reference pointer takes the song position, which only a song has.
    row(C::SetReference, "mnuImpostaPosAgg", TextId::mnuImpostaPosAgg, "set_locator", E::SongOpen),
    row(C::ClearReference, "mnuClearPosPointer", TextId::mnuClearPosPointer, "clear_locator",
        E::Always),
    row(C::ZoomIn, "mnuZoomIn", TextId::mnuZoomIn, "zoom_in", E::Always),
    row(C::ZoomOut, "mnuZoomOut", TextId::mnuZoomOut, "zoom_out", E::Always),
    // The lists show a song's events or, before one is opened, the defaults (120, 4/4); the
    // tempo buttons work while playing, the new speed heard at once.
    row(C::SysExViewer, "mnuSysEx", TextId::mnuSysEx, "sysex", E::Always),
    row(C::TempoEvents, "mnuTempo", TextId::mnuTempo, "tempo", E::Always),
    row(C::Measures, "mnuMisure", TextId::mnuMisure, "measures", E::Always),
    // A patch applied while playing is sent at once; playback reads only its own queues.
    row(C::PatchInstruments, "mnuPatch", TextId::mnuPatch, "patch", E::Always),
    row(C::Mixer, "mnuMixer", TextId::mnuMixer, "mixer", E::Always),
    row(C::MonitorBackground, "mnuBackGround", TextId::mnuBackGround, "monitor", E::Always),
    // Removing events from the song's lists is kept away from a running player.
    row(C::ClearAllBanks, "mnuClearBank", TextId::mnuClearBank, "clear_banks", E::IdleWithSong),
    row(C::RestartDevice, "mnuMidiOutReset", TextId::mnuMidiOutReset, "device_reset", E::Always),

    row(C::ClosePort, "mnuChiudiPortaMidi", TextId::mnuChiudiPortaMidi, "port_close", E::Always),
    row(C::NoSysEx, "mnuUseSysEx", TextId::mnuUseSysEx, "sysex_off", E::Always),
    row(C::TapLatency, "mnuTapLatency", ExtraTextId::mnuTapLatency, "", E::Always),

    row(C::About, "mnuInfoExe", TextId::mnuInfoExe, "about", E::Always),
    row(C::Help, "mnuHelp", TextId::mnuHelp, "help", E::Always, {"F1"}),
    row(C::WebSite, "mnuWebSite", TextId::mnuWebSite, "website", E::Always),

    // The grid's pop-ups act on what the mouse is over, which it only follows while stopped.
    row(C::BindToNote, "AgganciaallaNota1", TextId::AgganciaallaNota1, "bind_melody", E::Idle),
    row(C::DeleteNote, "EliminaNota", TextId::EliminaNota, "delete_note", E::Idle),
    row(C::SoundBar, "tbBarraS", TextId::tbBarraS, "sound_bar", E::Always, {}, true),
    row(C::VelocityUp1, "Aumenta1", TextId::Aumenta1, "velocity_up", E::SongOpen),
    row(C::VelocityUp5, "Aumenta5", TextId::Aumenta5, "velocity_up", E::SongOpen),
    row(C::VelocityUp10, "Aumenta10", TextId::Aumenta10, "velocity_up", E::SongOpen),
    row(C::VelocityUp50, "Aumenta50", TextId::Aumenta50, "velocity_up", E::SongOpen),
    row(C::VelocityDown1, "Diminuisci1", TextId::Diminuisci1, "velocity_down", E::SongOpen),
    row(C::VelocityDown5, "Diminuisci5", TextId::Diminuisci5, "velocity_down", E::SongOpen),
    row(C::VelocityDown10, "Diminuisci10", TextId::Diminuisci10, "velocity_down", E::SongOpen),
    row(C::VelocityDown50, "Diminuisci50", TextId::Diminuisci50, "velocity_down", E::SongOpen),
}};

constexpr bool rowsInIdOrder() {
    for (std::size_t i = 0; i < kRows.size(); ++i)
        if (static_cast<std::size_t>(kRows[i].id) != i) return false;
    return true;
}
static_assert(rowsInIdOrder(), "the rows are indexed by CommandId");

constexpr MenuEntry cmd(C id, std::string_view twinName = {}) {
    return {MenuEntryKind::Command, id, twinName};
}
constexpr MenuEntry sub(std::string_view name, CommandCaption caption, std::string_view icon = {}) {
    return {MenuEntryKind::SubMenu, C::Count, name, caption, icon};
}
constexpr MenuEntry kSep{MenuEntryKind::Separator};
constexpr MenuEntry kEnd{MenuEntryKind::EndSubMenu};

// clang-format off
constexpr MenuEntry kMainMenu[] = {
    sub("mnuFile", TextId::mnuFile),
    cmd(C::Open), cmd(C::Save), cmd(C::SaveAs), kSep,
    cmd(C::LoadSyllables), cmd(C::SaveSyllables), kSep,
    cmd(C::Quit),
    kEnd,
    sub("mnuComandi", TextId::mnuComandi),
    cmd(C::Play), cmd(C::Stop), cmd(C::Synchronise), kSep,
    cmd(C::GoToStart), cmd(C::GoToEnd), cmd(C::MeasureBack), cmd(C::MeasureForward),
    kEnd,
    sub("mnuStrumenti", TextId::mnuStrumenti),
    cmd(C::MidiParameters), kSep,
    sub("mnuTesto", TextId::mnuTesto, "text_window"),
    cmd(C::Undo), cmd(C::Redo), kSep,
    cmd(C::ClearText), cmd(C::ImportText), cmd(C::Syllabify),
    sub("mnuTextOption", TextId::mnuTextOption, "text_options"),
    cmd(C::AllUpperCase), cmd(C::AllLowerCase), cmd(C::SyllableStartUpper),
    cmd(C::SyllableStartLower), kSep,
    cmd(C::ExportText),
    kEnd,
    cmd(C::AdaptText), cmd(C::BindToMelody), cmd(C::JoinSyllables),
    kEnd,
    sub("mnuGridEventi", TextId::mnuGridEventi, "event_window"),
    cmd(C::ManualPositioning), cmd(C::BindFirstNote), cmd(C::KeepBound), kSep,
    cmd(C::SetReference), cmd(C::ClearReference), kSep,
    cmd(C::ZoomIn), cmd(C::ZoomOut),
    kEnd,
    kSep,
    cmd(C::SysExViewer), cmd(C::TempoEvents), cmd(C::Measures), cmd(C::PatchInstruments),
    cmd(C::Mixer), kSep,
    cmd(C::MonitorBackground), kSep,
    cmd(C::ClearAllBanks), cmd(C::RestartDevice),
    kEnd,
    sub("mnuOpzioni", TextId::mnuOpzioni),
    // Filled at run time with one item per output.
    sub("mnuDeviceMidi", TextId::mnuDeviceMidi, "midi_out"), kEnd,
    cmd(C::ClosePort), cmd(C::NoSysEx), cmd(C::TapLatency), kSep,
    // Filled at run time with one item per text encoding.
    sub("mnuTextEncoding", ExtraTextId::mnuTextEncoding), kEnd,
    // Filled at run time with one item per language.
    sub("mnuLingua", TextId::mnuLingua, "language"), kEnd,
    kEnd,
    sub("mnuInfo", TextId::mnuInfo),
    cmd(C::About), cmd(C::Help), cmd(C::WebSite),
    kEnd,
};

constexpr MenuEntry kEditorPopup[] = {
    cmd(C::Undo, "mnuUndoP"), cmd(C::Redo, "mnuRedoP"), kSep,
    cmd(C::ClearText, "mnuPulisciP"), cmd(C::ImportText, "mnuImportaP"),
    cmd(C::Syllabify, "mnuSillabaP"),
    sub("mnuTextOptionP", TextId::mnuTextOption, "text_options"),
    cmd(C::AllUpperCase, "mnuTextToUpper"), cmd(C::AllLowerCase, "mnuTextToLower"),
    cmd(C::SyllableStartUpper, "mnuCharToUpper"), cmd(C::SyllableStartLower, "mnuCharToLower"),
    kSep,
    cmd(C::ExportText, "mnuEsportaTesto"),
    kEnd,
    kSep,
    cmd(C::AdaptText, "mnuAdattaP"), cmd(C::BindToMelody, "AgganciaSillabe"),
    cmd(C::JoinSyllables, "mnuUnisciSillabe"),
};

constexpr MenuEntry kGridNote[] = {cmd(C::BindToNote)};
constexpr MenuEntry kGridDelete[] = {cmd(C::DeleteNote)};

constexpr MenuEntry kVelocityPopup[] = {
    cmd(C::VelocityUp1), cmd(C::VelocityUp5), cmd(C::VelocityUp10), cmd(C::VelocityUp50), kSep,
    cmd(C::VelocityDown1), cmd(C::VelocityDown5), cmd(C::VelocityDown10), cmd(C::VelocityDown50),
};
// clang-format on

} // namespace

const CommandRow& commandRow(CommandId id) {
    return kRows.at(static_cast<std::size_t>(id));
}

std::span<const CommandRow> commandRows() {
    return kRows;
}

std::optional<CommandId> commandNamed(std::string_view name) {
    for (const CommandRow& r : kRows)
        if (r.name == name) return r.id;
    return std::nullopt;
}

bool commandEnabled(CommandId id, const CommandContext& context) {
    switch (commandRow(id).enabling) {
    case Enabling::Always:
        return true;
    case Enabling::SongOpen:
        return context.songOpen;
    case Enabling::Idle:
        return !context.playing;
    case Enabling::IdleWithSong:
        return context.songOpen && !context.playing;
    case Enabling::CanUndo:
        return context.canUndo;
    case Enabling::CanRedo:
        return context.canRedo;
    case Enabling::Later:
        break;
    }
    return false;
}

std::span<const MenuEntry> menuLayout(MenuId menu) {
    switch (menu) {
    case MenuId::MainMenu:
        return kMainMenu;
    case MenuId::EditorPopup:
        return kEditorPopup;
    case MenuId::GridNote:
        return kGridNote;
    case MenuId::GridDelete:
        return kGridDelete;
    case MenuId::VelocityPopup:
        return kVelocityPopup;
    }
    return {};
}

std::string_view menuName(MenuId menu) {
    switch (menu) {
    case MenuId::MainMenu:
        return "MainMenu2";
    case MenuId::EditorPopup:
        return "PopupMenu1";
    case MenuId::GridNote:
        return "pMnu1";
    case MenuId::GridDelete:
        return "pMnu2";
    case MenuId::VelocityPopup:
        return "PopupMenu2";
    }
    return {};
}

} // namespace cantelo
