#include "app/LockKeys.h"

#include "control/CommandStrings.h"

#include <QApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLibrary>
#include <QStatusBar>
#include <QtGui/qguiapplication_platform.h>

namespace ravelin {

#if QT_CONFIG(xcb)

namespace {

// libX11 is loaded when first needed rather than linked, so the program needs no
// X11 development files to build and runs unchanged where there is no X server.
using XAtom = unsigned long;
using XBool = int;
using InternAtomFn = XAtom (*)(Display*, const char*, XBool);
using GetNamedIndicatorFn = XBool (*)(Display*, XAtom, int*, XBool*, void*, XBool*);

struct X11Functions {
    InternAtomFn internAtom = nullptr;
    GetNamedIndicatorFn getNamedIndicator = nullptr;
};

const X11Functions& X11()
{
    static const X11Functions functions = [] {
        X11Functions f;
        QLibrary lib(QStringLiteral("X11"), 6);
        if (lib.load()) {
            f.internAtom = reinterpret_cast<InternAtomFn>(lib.resolve("XInternAtom"));
            f.getNamedIndicator =
                reinterpret_cast<GetNamedIndicatorFn>(lib.resolve("XkbGetNamedIndicator"));
        }
        return f;
    }();
    return functions;
}

bool Indicator(Display* display, const X11Functions& x, const char* name)
{
    // Only-if-exists: a name this keyboard does not know reads as off.
    const XAtom atom = x.internAtom(display, name, 1);
    if (atom == 0)
        return false;
    XBool on = 0;
    if (!x.getNamedIndicator(display, atom, nullptr, &on, nullptr, nullptr))
        return false;
    return on != 0;
}

} // namespace

std::optional<LockKeyStates> QueryLockKeys()
{
    const auto* native =
        qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!native || !native->display())
        return std::nullopt;
    const X11Functions& x = X11();
    if (!x.internAtom || !x.getNamedIndicator)
        return std::nullopt;
    Display* display = native->display();
    LockKeyStates states;
    states.kana = Indicator(display, x, "Kana");
    states.caps = Indicator(display, x, "Caps Lock");
    states.num = Indicator(display, x, "Num Lock");
    states.scroll = Indicator(display, x, "Scroll Lock");
    return states;
}

#else

std::optional<LockKeyStates> QueryLockKeys()
{
    return std::nullopt;
}

#endif

namespace {

bool IsLockKey(int key)
{
    switch (key) {
    case Qt::Key_CapsLock:
    case Qt::Key_NumLock:
    case Qt::Key_ScrollLock:
    case Qt::Key_Kana_Lock:
    case Qt::Key_Kana_Shift:
    case Qt::Key_Hiragana_Katakana:
    case Qt::Key_Katakana:
        return true;
    default:
        return false;
    }
}

} // namespace

LockIndicators::LockIndicators(QStatusBar* bar) : QObject(bar)
{
    const std::array<std::pair<const char*, const char*>, 4> panes{{
        {"paneKana", kIndicatorKana},
        {"paneCaps", kIndicatorCaps},
        {"paneNum", kIndicatorNum},
        {"paneScrl", kIndicatorScrl},
    }};
    for (std::size_t i = 0; i < panes.size(); ++i) {
        auto* pane = new QLabel(bar);
        pane->setObjectName(QString::fromLatin1(panes[i].first));
        pane->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        pane->setAlignment(Qt::AlignCenter);
        // Each pane keeps the width of its text, lit or not.
        pane->setFixedWidth(pane->fontMetrics().horizontalAdvance(CommandWord(panes[i].second)) +
                            12);
        bar->addPermanentWidget(pane);
        m_panes[i] = pane;
    }
    Update();
    qApp->installEventFilter(this);
}

LockIndicators::~LockIndicators()
{
    qApp->removeEventFilter(this);
}

void LockIndicators::Update()
{
    const std::optional<LockKeyStates> states = QueryLockKeys();
    const LockKeyStates s = states.value_or(LockKeyStates{});
    const std::array<std::pair<bool, const char*>, 4> lit{{
        {s.kana, kIndicatorKana},
        {s.caps, kIndicatorCaps},
        {s.num, kIndicatorNum},
        {s.scroll, kIndicatorScrl},
    }};
    for (std::size_t i = 0; i < lit.size(); ++i)
        m_panes[i]->setText(lit[i].first ? CommandWord(lit[i].second) : QString());
}

bool LockIndicators::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
        if (IsLockKey(static_cast<QKeyEvent*>(event)->key()))
            Update();
        break;
    case QEvent::ApplicationStateChange:
        // A lock may have changed while another program had the keyboard.
        if (static_cast<QApplicationStateChangeEvent*>(event)->applicationState() ==
            Qt::ApplicationActive)
            Update();
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace ravelin
