#include "app/about.h"

#include "controls/message_box.h"

#include <QCoreApplication>
#include <QStringList>

namespace quillmere::app {

QString aboutText() {
    const auto tr = [](const char* text) { return QCoreApplication::translate("About", text); };
    const QStringList lines{
        tr("Programmer: Varnock"),
        tr("Quillmere (c) 2001-2026 Varnock. All rights reserved."),
        QString(),
        tr("This is my first program, so expect a few faults here and there."),
        tr("If something goes wrong, please e-mail me and describe what you were"),
        tr("doing and what happened, so that I can find the fault and mend it."),
        tr("Ideas and comments are welcome too: tell me what you would like"),
        tr("Quillmere to do for your characters in the next version."),
        tr("New versions will be posted on my web page as soon as they are done."),
        tr("Thank you for using Quillmere, and good hunting in Sanctuary!"),
        QString(),
        tr("ICQ: 31415926"),
        tr("AIM: VarnockQuill"),
        QString(),
        tr("E-mail: varnock@quillmere.example"),
    };
    return lines.join(QStringLiteral("\r\n"));
}

void showAbout() {
    controls::msgBox(aboutText(), controls::mb::Information, QCoreApplication::translate("About", "About..."));
}

} // namespace quillmere::app
