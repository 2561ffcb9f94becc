#include "host/prefix_sources.h"

#include <QDir>
#include <QSet>

#include <optional>
#include <utility>

namespace quillmere::host {

namespace {

QString unquoteYaml(QString value) {
    // A comment after the value, then the quotes of a quoted scalar.
    if (const qsizetype hash = value.indexOf(QStringLiteral(" #")); hash >= 0)
        value.truncate(hash);
    value = value.trimmed();
    if (value.size() >= 2 && (value.front() == QLatin1Char('"') || value.front() == QLatin1Char('\'')) &&
        value.back() == value.front())
        value = value.mid(1, value.size() - 2);
    return value;
}

QString expandHome(const QString& path, const QString& home) {
    if (!path.startsWith(QLatin1Char('~')) && !path.startsWith(QLatin1Char('$')))
        return path;
    for (const QString& start : {QStringLiteral("~"), QStringLiteral("$HOME"), QStringLiteral("${HOME}")}) {
        if (path == start || path.startsWith(start + QLatin1Char('/')))
            return home + path.mid(start.size());
    }
    return path;
}

// One token of Valve's KeyValues text: a quoted or bare string, or a brace.
struct VdfToken {
    enum Kind { String, Open, Close } kind = String;
    QByteArray text;
};

class VdfReader {
public:
    explicit VdfReader(QByteArrayView text)
        : m_text(text) {}

    std::optional<VdfToken> next() {
        skipBlanksAndComments();
        if (m_pos >= m_text.size())
            return std::nullopt;
        const char c = m_text[m_pos];
        if (c == '{' || c == '}') {
            ++m_pos;
            return VdfToken{c == '{' ? VdfToken::Open : VdfToken::Close, {}};
        }
        return c == '"' ? quoted() : bare();
    }

private:
    void skipBlanksAndComments() {
        while (m_pos < m_text.size()) {
            const char c = m_text[m_pos];
            if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
                ++m_pos;
            } else if (c == '/' && m_pos + 1 < m_text.size() && m_text[m_pos + 1] == '/') {
                while (m_pos < m_text.size() && m_text[m_pos] != '\n')
                    ++m_pos;
            } else {
                return;
            }
        }
    }

    std::optional<VdfToken> quoted() {
        VdfToken token;
        for (++m_pos; m_pos < m_text.size(); ++m_pos) {
            // The plain run up to the next quote or escape, in one piece.
            const qsizetype from = m_pos;
            while (m_pos < m_text.size() && m_text[m_pos] != '"' && m_text[m_pos] != '\\')
                ++m_pos;
            token.text.append(m_text.sliced(from, m_pos - from));
            if (m_pos >= m_text.size())
                break;
            if (m_text[m_pos] == '"') {
                ++m_pos;
                return token;
            }
            if (m_pos + 1 < m_text.size()) {
                const char c = m_text[++m_pos];
                token.text.append(c == 'n' ? '\n' : c == 't' ? '\t' : c);
            }
        }
        return std::nullopt; // unterminated: the rest is not to be trusted
    }

    VdfToken bare() {
        const qsizetype from = m_pos;
        while (m_pos < m_text.size()) {
            const char c = m_text[m_pos];
            if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '{' || c == '}' || c == '"')
                break;
            ++m_pos;
        }
        return VdfToken{VdfToken::String, m_text.sliced(from, m_pos - from).toByteArray()};
    }

    QByteArrayView m_text;
    qsizetype m_pos = 0;
};

bool isNumber(const QByteArray& text) {
    if (text.isEmpty())
        return false;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return false;
    }
    return true;
}

// Absolute paths, clean, each once in the order first given, up to `most` of them (all when negative).
class DistinctPaths {
public:
    explicit DistinctPaths(qsizetype most)
        : m_most(most) {}

    void add(const QString& path) {
        if (!path.startsWith(QLatin1Char('/')))
            return;
        QString clean = QDir::cleanPath(path);
        if (!m_seen.contains(clean)) {
            m_seen.insert(clean);
            m_paths << std::move(clean);
        }
    }
    bool full() const { return m_most >= 0 && m_paths.size() >= m_most; }
    QStringList paths() const { return m_paths; }

private:
    qsizetype m_most;
    QStringList m_paths;
    QSet<QString> m_seen;
};

} // namespace

QStringList lutrisPrefixes(QByteArrayView yaml, const QString& home, qsizetype most) {
    DistinctPaths prefixes(most);
    for (qsizetype start = 0; start < yaml.size() && !prefixes.full();) {
        qsizetype end = yaml.indexOf('\n', start);
        if (end < 0)
            end = yaml.size();
        // Only the lines of the key are decoded: most lines of a configuration are about other things.
        const QByteArrayView line = yaml.sliced(start, end - start).trimmed();
        start = end + 1;
        if (line.startsWith("prefix:"))
            prefixes.add(expandHome(unquoteYaml(QString::fromUtf8(line.sliced(7))), home));
    }
    return prefixes.paths();
}

QStringList steamLibraryFolders(QByteArrayView vdf, qsizetype most) {
    DistinctPaths folders(most);
    VdfReader reader(vdf);
    QList<QByteArray> keys; // the keys of the blocks we are in
    std::optional<QByteArray> pendingKey;
    while (!folders.full()) {
        const std::optional<VdfToken> token = reader.next();
        if (!token)
            break;
        if (token->kind == VdfToken::Open) {
            if (!pendingKey)
                break; // a block without a name: not Valve's format
            keys << pendingKey->toLower();
            pendingKey.reset();
        } else if (token->kind == VdfToken::Close) {
            if (keys.isEmpty() || pendingKey)
                break;
            keys.removeLast();
        } else if (!pendingKey) {
            pendingKey = token->text;
        } else {
            const bool inRoot = !keys.isEmpty() && keys.first() == "libraryfolders";
            const bool current = inRoot && keys.size() == 2 && pendingKey->compare("path", Qt::CaseInsensitive) == 0;
            const bool older = inRoot && keys.size() == 1 && isNumber(*pendingKey);
            if (current || older)
                folders.add(QString::fromUtf8(token->text));
            pendingKey.reset();
        }
    }
    return folders.paths();
}

} // namespace quillmere::host
