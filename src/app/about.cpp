#include "app/about.h"

#include "controls/message_box.h"

#include <QCoreApplication>
#include <QStringList>

namespace quillmere::app {

namespace {

class About {
    Q_DECLARE_TR_FUNCTIONS(About)
public:
    static QStringList lines();
};

QStringList About::lines() {
    return {
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
}

} // namespace

QString aboutText() {
    return About::lines().join(QStringLiteral("\r\n"));
}

void showAbout() {
    controls::msgBox(aboutText(), controls::MsgStyle::Information, About::tr("About..."));
}

} // namespace quillmere::app
