#include "archive/shell_copy.h"

#include "controls/mouse_pointer.h"
#include "copy/shell_file_operation.h"

#include <QByteArray>

namespace quillmere::archive {

namespace {

// A list of one entry in the 8-bit code page: the text, then two NUL characters.
QByteArray singleEntryList(const QString& entry) {
    QByteArray list = entry.toLocal8Bit();
    list.append('\0');
    list.append('\0');
    return list;
}

} // namespace

bool shellFileCopy(const QString& sourcePattern, const QString& destinationFolder) {
    controls::BusyPointer busy;

    const QByteArray from = singleEntryList(sourcePattern);
    const QByteArray to = singleEntryList(destinationFolder);
    copy::SHFILEOPSTRUCTA operation;
    operation.hwnd = nullptr;
    operation.wFunc = copy::FO_COPY;
    operation.pFrom = from.constData();
    operation.pTo = to.constData();
    operation.fFlags = copy::FOF_FILESONLY;

    const int result = copy::SHFileOperationA(&operation);
    const bool aborted = operation.fAnyOperationsAborted != 0;
    busy.restore();
    return result == 0 && !aborted;
}

} // namespace quillmere::archive
