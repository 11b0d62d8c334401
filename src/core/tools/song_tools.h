#pragma once

#include "core/document/editor_document.h"
#include "core/files/result.h"

#include <cstdint>
#include <optional>

namespace cantelo {

// The mixer value a controller feeds (7, 10, 91, 93); none for any other controller.
std::optional<DisplayController> displaySlot(int controller);

// The tools' song edits, each one undo step through the document. The caller brings the output
// and the player along (send the value, retime the queues), which the document does not know.

// "Aumenta"/"Diminuisce di 1 unita'": every tempo event one beat per minute up or down, kept
// within 30..250. NothingToDo when every tempo is already at the limit.
Result shiftTempos(EditorDocument& doc, bool up);

// "Aumenta 5%", "Diminuisci 10%" ... of the overview's menu: the velocities of channel `ch`'s
// notes, as CMidiSong::scaleVelocities.
Result scaleVelocities(EditorDocument& doc, int ch, std::int32_t percent);

// Controller `controller` (7, 10, 91, 93) of channel `ch` at `tick` := value, and the channel's
// display value with it. Inside a song gesture (a fader dragged) the edit joins the gesture;
// otherwise it is a step of its own.
Result setChannelController(EditorDocument& doc, int ch, std::int32_t tick, std::int32_t value,
                            int controller);

} // namespace cantelo
