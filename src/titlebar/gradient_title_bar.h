#pragma once

#include <QCoreApplication>
#include <QMargins>

class QWidget;

namespace quillmere::titlebar {

// Module GradientTitleBar: gives one window a caption painted as a gradient from black to the
// caption colour, with the window's icon and its title in white. The program keeps one module for
// its whole run (app/main.cpp makes it), so the painter is installed once per process.
//
// The window becomes frameless and the painter draws its dialog frame and caption itself: the
// strip (bands, icon, title) at the left, and the style's standard caption with a close button
// in the rest. Dragging the caption moves the window; the icon and Alt+Space open a system menu
// (Move, Close); the close button and Close ask the window to close, so its closeEvent decides.
class GradientTitleBar final {
    Q_DECLARE_TR_FUNCTIONS(GradientTitleBar)
    Q_DISABLE_COPY_MOVE(GradientTitleBar)
public:
    GradientTitleBar() = default;
    ~GradientTitleBar() = default;

    // Hooks the first window passed; later calls do nothing, whatever window they are given.
    // There is no removal: the painter is a child of the window and ends with it.
    //
    // What the form does: call this once it has its menu bar and central widget, before showing
    // it. The install adds gradientTitleBarMargins() to the form's contents margins, so the menu
    // bar and central widget sit inside the frame and below the caption. A form that already has a
    // fixed size (setFixedSize) is grown by the margins, so its client area keeps the size it asked
    // for; so is a form that was resized explicitly. A form that sets its size after the install
    // must add the margins itself, or let its layout fix the size (QLayout::SetFixedSize counts the
    // margins). The form must not paint into the margins, and its window title is the caption text.
    void InstallGradientTitleBar(QWidget* form);

    // Loads the caption's font as the caption is drawn with it, ahead of the first caption.
    static void preloadCaptionFont();

private:
    bool m_installed = false;
};

// The room the frame and caption take around a form's contents, in logical pixels: the dialog
// frame on the left, right and bottom, frame plus caption on top.
QMargins gradientTitleBarMargins();

} // namespace quillmere::titlebar
