// SPDX-License-Identifier: GPL-3.0-or-later
#include "browser/ShareContext.h"

#include <QCoreApplication>
#include <QOpenGLContext>
#include <QSurfaceFormat>

#include <memory>

// The browser engine draws through OpenGL contexts that share their objects with Qt's global share context. Qt
// makes that context in the application's constructor when Qt::AA_ShareOpenGLContexts is set before it, and the
// engine expects that (without any, it crashes on its first page). But creating it loads the whole OpenGL driver:
// on a machine without a GPU, Mesa's software rasteriser and LLVM, a large share of the start's time and memory
// (bench/README.md), for a browser most sessions never open. So the program sets no attribute, and the context is made
// here instead, as the constructor would have made it, just before the browser module (and with it the engine) is
// loaded.
//
// Qt has no public setter for the global share context. QtGui exports this function for exactly this use, and
// QtWebEngine declares and calls it the same way. It is declared weak, so that a Qt without it only makes the
// browser report that it cannot open (checked below) instead of keeping the whole program from starting.
QT_BEGIN_NAMESPACE
Q_GUI_EXPORT void qt_gl_set_global_share_context(QOpenGLContext* context) __attribute__((weak));
QT_END_NAMESPACE

namespace miravo {
namespace {

QOpenGLContext*& ownShareContext()
{
    static QOpenGLContext* context = nullptr;
    return context;
}

// Runs while the application object is destroyed, with the platform still there, and after the engine's own
// shut-down (Qt runs the routines added later first, and the engine adds its own after this one).
void releaseShareContext()
{
    qt_gl_set_global_share_context(nullptr);
    delete ownShareContext();
    ownShareContext() = nullptr;
}

} // namespace

Outcome ensureGlobalShareContext()
{
    if (QOpenGLContext::globalShareContext())
        return {};
    if (!qt_gl_set_global_share_context) {
        return Failure{QStringLiteral("This Qt offers no way to set the OpenGL context the browser draws with.")};
    }
    auto context = std::make_unique<QOpenGLContext>();
    context->setFormat(QSurfaceFormat::defaultFormat());
    if (!context->create() && !qEnvironmentVariableIsSet("QT_QUICK_BACKEND")) {
        // No OpenGL here: no driver, or a platform without it (offscreen). The engine then composes its pages
        // without the GPU, but Qt Quick, which puts them on screen, would still try OpenGL for its own drawing
        // and crash on the first page where the platform offers OpenGL that does not work. Its software renderer
        // needs none. (Quick reads this when it first draws, which is after the module has loaded.)
        qputenv("QT_QUICK_BACKEND", "software");
    }
    // Set even when it could not be created, as the application's constructor does: the engine checks it.
    qt_gl_set_global_share_context(context.get());
    if (QOpenGLContext::globalShareContext() != context.get()) {
        return Failure{QStringLiteral("Qt did not take the OpenGL context the browser draws with.")};
    }
    ownShareContext() = context.release();
    qAddPostRoutine(releaseShareContext);
    return {};
}

} // namespace miravo
