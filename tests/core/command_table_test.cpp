#include "core/app/command_table.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

namespace cantelo {
namespace {

constexpr MenuId kMenus[] = {MenuId::MainMenu, MenuId::EditorPopup, MenuId::GridNote,
                             MenuId::GridDelete, MenuId::VelocityPopup};

// Whether the language slot sets the caption of `component` ("mnuPulisci/mnuPulisciP": two).
bool slotCaptions(const CommandCaption& caption, std::string_view component) {
    const auto* slot = std::get_if<TextId>(&caption);
    if (!slot) return true; // the texts beyond the slots are keyed by their own names
    const std::string names = "/" + std::string(slotName(static_cast<int>(*slot))) + "/";
    return names.find("/" + std::string(component) + "/") != std::string::npos;
}

TEST(CommandTable, NamesShortcutsAndCaptionSlotsAreUnambiguous) {
    std::set<std::string_view> names;
    std::map<std::string_view, std::string_view> keyOwner;
    for (const CommandRow& row : commandRows()) {
        EXPECT_TRUE(names.insert(row.name).second && commandNamed(row.name) == row.id) << row.name;
        EXPECT_TRUE(slotCaptions(row.caption, row.name)) << row.name;
        for (std::string_view key : row.shortcuts) {
            EXPECT_TRUE(key.empty() || keyOwner.emplace(key, row.name).second) << key;
        }
    }
    for (MenuId menu : kMenus) {
        EXPECT_TRUE(names.insert(menuName(menu)).second);
        for (const MenuEntry& e : menuLayout(menu)) {
            if (e.name.empty()) continue;
            // A twin or a sub-menu: its own name, captioned by the slot of what it repeats.
            const bool sub = e.kind == MenuEntryKind::SubMenu;
            EXPECT_TRUE(names.insert(e.name).second) << e.name;
            EXPECT_TRUE(slotCaptions(sub ? e.caption : commandRow(e.command).caption, e.name))
                << e.name;
        }
    }
    EXPECT_FALSE(commandNamed("mnuPulisciP").has_value()); // twins are not rows
    EXPECT_EQ(keyOwner.at("Ctrl+Y"), "mnuRedo");
}

TEST(CommandTable, MenusNestAndReachEveryCommandOnce) {
    std::map<CommandId, int> placesInMainMenu;
    std::set<CommandId> inAnyMenu;
    for (MenuId menu : kMenus) {
        int depth = 0;
        auto previous = MenuEntryKind::SubMenu; // a menu opens like a sub-menu
        for (const MenuEntry& e : menuLayout(menu)) {
            // Separators only between items.
            const bool opening = previous == MenuEntryKind::SubMenu;
            const bool afterSeparator = previous == MenuEntryKind::Separator;
            EXPECT_FALSE(e.kind == MenuEntryKind::Separator && (opening || afterSeparator));
            EXPECT_FALSE(e.kind == MenuEntryKind::EndSubMenu && afterSeparator);
            depth += (e.kind == MenuEntryKind::SubMenu) - (e.kind == MenuEntryKind::EndSubMenu);
            ASSERT_GE(depth, 0);
            // The bar holds menus only; a context-menu twin repeats an item of the main menu.
            EXPECT_FALSE(menu == MenuId::MainMenu && depth == 0 &&
                         e.kind == MenuEntryKind::Command);
            if (e.kind == MenuEntryKind::Command) {
                inAnyMenu.insert(e.command);
                if (menu == MenuId::MainMenu) ++placesInMainMenu[e.command];
                EXPECT_TRUE(menu != MenuId::EditorPopup || placesInMainMenu[e.command] == 1);
            }
            previous = e.kind;
        }
        EXPECT_EQ(depth, 0);
    }
    for (const auto& [id, places] : placesInMainMenu) EXPECT_EQ(places, 1) << commandRow(id).name;
    for (const CommandRow& row : commandRows()) // the sound bar is a tool button alone
        EXPECT_EQ(inAnyMenu.contains(row.id), row.id != CommandId::SoundBar) << row.name;
}

TEST(CommandTable, EnablingFollowsTheSongThePlayerAndTheHistory) {
    const CommandContext none{}, song{.songOpen = true}, playing{true, true, false, false};
    const CommandContext history{.canUndo = true}, everything{true, false, true, true};
    const struct {
        CommandId id;
        CommandContext context;
        bool enabled;
    } cases[] = {
        {CommandId::Open, playing, true},         {CommandId::Save, none, false},
        {CommandId::SaveAs, playing, true},       {CommandId::GoToStart, song, true},
        {CommandId::MeasureBack, playing, false}, {CommandId::ClearAllBanks, none, false},
        {CommandId::ClearAllBanks, song, true},   {CommandId::ClearAllBanks, playing, false},
        {CommandId::BindToMelody, none, false},   {CommandId::Undo, history, true},
        {CommandId::Redo, history, false},        {CommandId::Mixer, none, true},
        {CommandId::Redo, everything, true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(commandEnabled(c.id, c.context), c.enabled) << commandRow(c.id).name;
}

} // namespace
} // namespace cantelo
