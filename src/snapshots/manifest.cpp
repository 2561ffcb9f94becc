#include "snapshots/manifest.h"

#include "copy/content_hash.h"

#include <QVarLengthArray>

#include <charconv>
#include <limits>

namespace quillmere::snapshots {

namespace {

constexpr QByteArrayView kHeader = "quillmere-snapshot 1";
constexpr QByteArrayView kEnd = "end ";

// Fields are separated by blanks: a blank, a control character or '%' inside one is written as
// %XX, and an empty field as a lone '%'.
QByteArray escaped(const QString& text) {
    const QByteArray bytes = text.toUtf8();
    if (bytes.isEmpty())
        return "%";
    QByteArray out;
    out.reserve(bytes.size());
    for (const char c : bytes) {
        const auto u = static_cast<unsigned char>(c);
        if (u <= 0x20 || u == 0x7f || c == '%') {
            out += '%';
            out += QByteArray::number(u, 16).rightJustified(2, '0');
        } else {
            out += c;
        }
    }
    return out;
}

std::optional<QString> unescaped(QByteArrayView field) {
    if (field == "%")
        return QString();
    if (!field.contains('%'))
        return QString::fromUtf8(field);
    QByteArray out;
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (field[i] != '%') {
            out += field[i];
            continue;
        }
        int value = 0;
        if (i + 2 >= field.size())
            return std::nullopt;
        const auto [end, error] = std::from_chars(field.data() + i + 1, field.data() + i + 3, value, 16);
        if (error != std::errc() || end != field.data() + i + 3)
            return std::nullopt;
        out += char(value);
        i += 2;
    }
    return QString::fromUtf8(out);
}

template <typename Number> std::optional<Number> number(QByteArrayView field, int base = 10) {
    Number value{};
    const auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), value, base);
    if (error != std::errc() || end != field.data() + field.size())
        return std::nullopt;
    return value;
}

template <typename Number> QByteArray optionalNumber(const std::optional<Number>& value) {
    return value ? QByteArray::number(*value) : QByteArray("-");
}

// Absent as "-"; false when the field is neither.
template <typename Number> bool readOptional(QByteArrayView field, std::optional<Number>& out) {
    if (field == "-") {
        out.reset();
        return true;
    }
    const auto value = number<unsigned long long>(field);
    if (!value || *value > std::numeric_limits<Number>::max())
        return false;
    out = Number(*value);
    return true;
}

using Fields = QVarLengthArray<QByteArrayView, 8>;

Fields fieldsOf(QByteArrayView line) {
    Fields fields;
    for (qsizetype start = 0;;) {
        const qsizetype blank = line.indexOf(' ', start);
        if (blank < 0) {
            fields.append(line.sliced(start));
            return fields;
        }
        fields.append(line.sliced(start, blank - start));
        start = blank + 1;
    }
}

void formatEntry(QByteArray& out, const FileEntry& file) {
    out += "w " + file.sha256 + ' ' + QByteArray::number(file.size) + ' ' + QByteArray::number(file.modifiedNs) + ' ' +
           QByteArray::number(file.inode) + ' ' + QByteArray::number(file.mode, 8) + ' ' + escaped(file.name) + '\n';
}

void formatSummary(QByteArray& out, const StoredSummary& stored) {
    const game::CharacterSummary& s = stored.summary;
    out += "s " + escaped(stored.name) + ' ' + optionalNumber(s.classCode) + ' ' + optionalNumber(s.level) + ' ' +
           QByteArray::number(int(s.layout)) + ' ' + optionalNumber(s.version) + ' ' + optionalNumber(s.status) + '\n';
}

// What finds a record damaged or cut short: not a defence against a forger, who could write any
// record, so the fast 64-bit hash of the copy's own check.
QByteArray checksumOf(QByteArrayView bytes) {
    return QByteArray::number(copy::contentHashOf(bytes.data(), std::size_t(bytes.size())), 16).rightJustified(16, '0');
}

bool isSha256(QByteArrayView hex) {
    if (hex.size() != 64)
        return false;
    for (const char c : hex) {
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')))
            return false;
    }
    return true;
}

} // namespace

QStringList Manifest::changedNames() const {
    QStringList names = removed;
    for (const FileEntry& file : written)
        names.append(file.name);
    return names;
}

QString snapshotId(const QDateTime& taken) {
    return taken.toUTC().toString(QStringLiteral("yyyyMMdd'T'HHmmss.zzz'Z'"));
}

QByteArray formatManifest(const Manifest& m) {
    QByteArray out = kHeader.toByteArray() + '\n';
    out += "id " + escaped(m.id) + '\n';
    out += "parent " + escaped(m.parent) + '\n';
    // The moment and the offset from UTC the player's clock showed then.
    out += "taken " + QByteArray::number(m.taken.toMSecsSinceEpoch()) + ' ' +
           QByteArray::number(m.taken.offsetFromUtc()) + '\n';
    out += "reason " + escaped(m.reason) + '\n';
    out += QByteArray("pinned ") + (m.pinned ? '1' : '0') + '\n';
    out += "game " + escaped(m.game.name) + ' ' + escaped(m.game.prefix) + ' ' + escaped(m.game.saveFolder) + ' ' +
           escaped(m.game.saveFolderHost) + '\n';
    out += "totals " + QByteArray::number(m.fileCount) + ' ' + QByteArray::number(m.totalBytes) + '\n';
    for (const FileEntry& file : m.written)
        formatEntry(out, file);
    for (const QString& name : m.removed)
        out += "r " + escaped(name) + '\n';
    for (const StoredSummary& stored : m.summaries)
        formatSummary(out, stored);
    for (const QString& name : m.parentChanged)
        out += "p " + escaped(name) + '\n';
    for (const Skipped& skipped : m.skipped)
        out += "k " + escaped(skipped.name) + ' ' + escaped(skipped.reason) + '\n';
    out += kEnd.toByteArray() + checksumOf(out) + '\n';
    return out;
}

namespace {

// Reads the lines between the header and the end line; false at the first that is not right.
class ManifestParser {
public:
    ManifestParser(Manifest& out, const Manifest* previous)
        : m_out(out)
        , m_previous(previous) {}

    bool line(QByteArrayView text) {
        const Fields f = fieldsOf(text);
        const QByteArrayView tag = f[0];
        if (tag == "w")
            return entry(f);
        if (tag == "r" || tag == "p")
            return name(f, tag == "r" ? m_out.removed : m_out.parentChanged);
        if (tag == "s")
            return summary(f);
        if (tag == "k")
            return skipped(f);
        return header(tag, f);
    }

private:
    bool header(QByteArrayView tag, const Fields& f) {
        if (tag == "game" && f.size() == 5)
            return game(f);
        if (tag == "taken" && f.size() == 3) {
            const std::optional<qint64> ms = number<qint64>(f[1]);
            const std::optional<int> offset = number<int>(f[2]);
            if (!ms || !offset)
                return false;
            m_out.taken = QDateTime::fromMSecsSinceEpoch(*ms, Qt::OffsetFromUTC, *offset);
            return m_out.taken.isValid();
        }
        if (tag == "totals" && f.size() == 3)
            return assign(number<qint64>(f[1]), m_out.fileCount) && assign(number<qint64>(f[2]), m_out.totalBytes);
        if (f.size() != 2)
            return false;
        if (tag == "id")
            return text(f[1], m_out.id) && !m_out.id.isEmpty();
        if (tag == "parent")
            return text(f[1], m_out.parent);
        if (tag == "reason")
            return text(f[1], m_out.reason);
        if (tag == "pinned") {
            m_out.pinned = f[1] == "1";
            return f[1] == "0" || f[1] == "1";
        }
        return false;
    }

    // Every record of a history names the same game: read once, shared after.
    bool game(const Fields& f) {
        const QByteArrayView line(f[1].data(), f[4].data() + f[4].size() - f[1].data());
        if (m_previous && line == m_previous->gameLine) {
            m_out.game = m_previous->game;
            m_out.gameLine = m_previous->gameLine;
            return true;
        }
        m_out.gameLine = line.toByteArray();
        return text(f[1], m_out.game.name) && text(f[2], m_out.game.prefix) && text(f[3], m_out.game.saveFolder) &&
               text(f[4], m_out.game.saveFolderHost);
    }

    bool entry(const Fields& f) {
        FileEntry file;
        if (f.size() != 7 || !isSha256(f[1]))
            return false;
        file.sha256 = f[1].toByteArray();
        if (!assign(number<qint64>(f[2]), file.size) || !assign(number<qint64>(f[3]), file.modifiedNs) ||
            !assign(number<quint64>(f[4]), file.inode) || !assign(number<quint32>(f[5], 8), file.mode) ||
            !text(f[6], file.name))
            return false;
        m_out.written.append(std::move(file));
        return true;
    }

    bool summary(const Fields& f) {
        StoredSummary stored;
        game::CharacterSummary& s = stored.summary;
        const std::optional<int> layout = f.size() == 7 ? number<int>(f[4]) : std::nullopt;
        if (!layout || *layout < int(game::Layout::Classic) || *layout > int(game::Layout::Resurrected105))
            return false;
        s.layout = game::Layout(*layout);
        if (!text(f[1], stored.name) || !readOptional(f[2], s.classCode) || !readOptional(f[3], s.level) ||
            !readOptional(f[5], s.version) || !readOptional(f[6], s.status))
            return false;
        m_out.summaries.append(std::move(stored));
        return true;
    }

    bool skipped(const Fields& f) {
        Skipped item;
        if (f.size() != 3 || !text(f[1], item.name) || !text(f[2], item.reason))
            return false;
        m_out.skipped.append(std::move(item));
        return true;
    }

    static bool name(const Fields& f, QStringList& into) {
        QString value;
        if (f.size() != 2 || !text(f[1], value))
            return false;
        into.append(value);
        return true;
    }

    static bool text(QByteArrayView field, QString& out) {
        std::optional<QString> value = unescaped(field);
        if (value)
            out = std::move(*value);
        return value.has_value();
    }

    template <typename Number, typename Field> static bool assign(const std::optional<Number>& value, Field& out) {
        if (value)
            out = Field(*value);
        return value.has_value();
    }

    Manifest& m_out;
    const Manifest* m_previous;
};

} // namespace

std::optional<Manifest> parseManifest(QByteArrayView bytes, const Manifest* previous) {
    if (!bytes.startsWith(kHeader) || bytes.size() <= kHeader.size() || bytes[kHeader.size()] != '\n' ||
        !bytes.endsWith('\n'))
        return std::nullopt;
    const qsizetype endLine = bytes.lastIndexOf(QByteArrayView("\nend ")) + 1;
    if (endLine <= 0)
        return std::nullopt;
    const QByteArrayView body = bytes.first(endLine);
    const QByteArrayView sum = bytes.sliced(endLine + kEnd.size()).chopped(1);
    if (sum != checksumOf(body))
        return std::nullopt;
    Manifest manifest;
    ManifestParser parser(manifest, previous);
    qsizetype start = kHeader.size() + 1;
    while (start < body.size()) {
        const qsizetype end = body.indexOf('\n', start);
        if (!parser.line(body.sliced(start, end - start)))
            return std::nullopt;
        start = end + 1;
    }
    if (manifest.id.isEmpty() || !manifest.taken.isValid())
        return std::nullopt;
    return manifest;
}

} // namespace quillmere::snapshots
