#include "app/undo_restore.h"

#include "archive/restore_history.h"
#include "controls/message_box.h"

#include <QCoreApplication>
#include <QLocale>

namespace quillmere::app {

namespace {

class UndoText {
    Q_DECLARE_TR_FUNCTIONS(MainWindow)
public:
    static QString question(const archive::KeptRestore& last) {
        QStringList question{
            tr("Undo the restore of %1 made on %2?")
                .arg(last.character, QLocale::c().toString(last.made, QStringLiteral("d MMM yyyy 'at' HH:mm")))};
        if (!last.kept.isEmpty())
            question << tr("The %1 file(s) it replaced in %2 are put back.").arg(last.kept.size()).arg(last.saveFolder);
        if (!last.added.isEmpty())
            question << tr("The %1 file(s) it added are removed.").arg(last.added.size());
        question << tr("The files there now are kept first, so nothing is lost.");
        return question.join(u' ');
    }
    static void failed(const QString& failure) {
        controls::msgBox(tr("The restore could not be undone: %1").arg(failure), controls::MsgStyle::Critical,
                         tr("Failure!"));
    }
};

} // namespace

void undoLastRestore(archive::RestoreHistory& history, const std::function<void()>& afterUndo) {
    const std::optional<archive::KeptRestore> last = history.lastRestore();
    if (!last)
        return;
    if (const QString refusal = history.refusal(*last); !refusal.isEmpty()) {
        UndoText::failed(refusal);
        return;
    }
    if (controls::msgBox(UndoText::question(*last), controls::MsgStyle::YesNo, UndoText::tr("Undo Last Restore...")) !=
        controls::MsgAnswer::Yes)
        return;
    QString failure;
    const bool undone = history.undo(*last, &failure);
    afterUndo();
    if (undone)
        controls::msgBox(UndoText::tr("The restore was undone!"), controls::MsgStyle::Information,
                         UndoText::tr("Success!"));
    else
        UndoText::failed(failure);
}

} // namespace quillmere::app
