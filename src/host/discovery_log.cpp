#include "host/discovery_log.h"

#include <QStringList>

namespace quillmere::host {

Q_LOGGING_CATEGORY(discoveryLog, "quillmere.discovery")

namespace {

// The length of the UTF-8 sequence a lead byte starts; 0 for a byte that starts none.
qsizetype sequenceLength(unsigned char lead) {
    if (lead >= 0xC2 && lead <= 0xDF)
        return 2;
    if (lead >= 0xE0 && lead <= 0xEF)
        return 3;
    if (lead >= 0xF0 && lead <= 0xF4)
        return 4;
    return 0;
}

} // namespace

QString hostNameForLog(QByteArrayView name) {
    QString out;
    for (qsizetype i = 0; i < name.size();) {
        const auto byte = static_cast<unsigned char>(name[i]);
        if (byte >= 0x20 && byte < 0x7F && byte != '\\') {
            out += QLatin1Char(char(byte));
            ++i;
            continue;
        }
        const qsizetype length = sequenceLength(byte);
        if (length > 0 && i + length <= name.size()) {
            // The way back tells overlong forms and surrogates, which the lead byte alone does not.
            const QByteArrayView sequence = name.sliced(i, length);
            const QString decoded = QString::fromUtf8(sequence);
            if (decoded.toUtf8() == sequence) {
                out += decoded;
                i += length;
                continue;
            }
        }
        out += QStringLiteral("\\x") + QString::number(byte, 16).rightJustified(2, QLatin1Char('0')).toUpper();
        ++i;
    }
    return out;
}

void logUndecodableFolders(const QString& parent, const QList<QByteArray>& names, const char* what) {
    if (names.isEmpty())
        return;
    QStringList spelled;
    for (const QByteArray& name : names)
        spelled << QLatin1Char('"') + hostNameForLog(name) + QLatin1Char('"');
    qCWarning(discoveryLog).noquote() << "Left out as a" << what << "in" << parent << "for a name that is not valid"
                                      << "UTF-8, which the program cannot open files through:"
                                      << spelled.join(QStringLiteral(", "));
}

} // namespace quillmere::host
