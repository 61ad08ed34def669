#pragma once

#include <optional>

namespace ravelin {

// The keyboard's lock states as its lamps show them.
struct LockKeyStates {
    bool kana = false;
    bool caps = false;
    bool num = false;
    bool scroll = false;
    bool operator==(const LockKeyStates&) const = default;
};

// Asks the windowing system for the lock states. Only an X11 session with the
// keyboard extension answers; elsewhere (Wayland, offscreen) the result is empty
// and the status bar leaves its lock panes blank.
std::optional<LockKeyStates> QueryLockKeys();

} // namespace ravelin
