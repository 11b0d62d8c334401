#include "core/tools/song_tools.h"

#include <algorithm>

namespace cantelo {

std::optional<DisplayController> displaySlot(int controller) {
    switch (controller) {
    case 7:
        return DisplayController::Volume;
    case 10:
        return DisplayController::Pan;
    case 91:
        return DisplayController::Reverb;
    case 93:
        return DisplayController::Chorus;
    default:
        return std::nullopt;
    }
}

Result shiftTempos(EditorDocument& doc, bool up) {
    return doc.editSong(DocumentChangeKind::Tempo, SongScope::tempoList(), [up](CMidiSong& s) {
        s.shiftAllTempos(up);
        return true; // the document compares the tempo list before and after
    });
}

Result scaleVelocities(EditorDocument& doc, int ch, std::int32_t percent) {
    if (ch < 0 || ch >= kChannels || percent == 0)
        return Result::failure(FailureReason::NothingToDo);
    return doc.editSong(DocumentChangeKind::Velocities, SongScope::velocities(ch),
                        [&](CMidiSong& s) {
                            s.scaleVelocities(ch, percent);
                            return true;
                        });
}

Result setChannelController(EditorDocument& doc, int ch, std::int32_t tick, std::int32_t value,
                            int controller) {
    if (ch < 0 || ch >= kChannels) return Result::failure(FailureReason::Other);
    value = std::clamp(value, 0, 127);
    auto edit = [&](CMidiSong& s) {
        if (const auto slot = displaySlot(controller)) s.setDisplayValue(ch, *slot, value);
        s.setControllerValue(ch, tick, value, controller);
        return true;
    };
    if (doc.inSongGesture()) {
        doc.gestureEdit(edit);
        return Result::success();
    }
    return doc.editSong(DocumentChangeKind::Controllers, SongScope::controls(ch), edit);
}

} // namespace cantelo
