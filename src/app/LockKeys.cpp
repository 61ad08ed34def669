#include "app/LockKeys.h"

#include <QGuiApplication>
#include <QLibrary>
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

} // namespace ravelin
