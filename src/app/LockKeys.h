#pragma once

#include <QObject>
#include <array>
#include <optional>

class QLabel;
class QStatusBar;

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

// The status bar's four lock-key panes (kana, caps, num, scroll), each lit with its
// text while its lock is on. An application-wide event filter updates them when a lock
// key is pressed or released anywhere in the program, and when the program becomes
// active again (a lock may have changed while another program had the keyboard).
class LockIndicators : public QObject {
  public:
    // Adds the panes to bar as permanent widgets and shows the present states.
    explicit LockIndicators(QStatusBar* bar);
    ~LockIndicators() override;
    LockIndicators(const LockIndicators&) = delete;
    LockIndicators& operator=(const LockIndicators&) = delete;

    void Update();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    std::array<QLabel*, 4> m_panes{};
};

} // namespace ravelin
