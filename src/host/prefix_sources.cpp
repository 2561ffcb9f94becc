#include "host/prefix_sources.h"

#include <QDir>

#include <optional>

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
            char c = m_text[m_pos];
            if (c == '"') {
                ++m_pos;
                return token;
            }
            if (c == '\\' && m_pos + 1 < m_text.size()) {
                c = m_text[++m_pos];
                c = c == 'n' ? '\n' : c == 't' ? '\t' : c;
            }
            token.text.append(c);
        }
        return std::nullopt; // unterminated: the rest is not to be trusted
    }

    VdfToken bare() {
        VdfToken token;
        while (m_pos < m_text.size()) {
            const char c = m_text[m_pos];
            if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '{' || c == '}' || c == '"')
                break;
            token.text.append(c);
            ++m_pos;
        }
        return token;
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

} // namespace

QStringList lutrisPrefixes(QByteArrayView yaml, const QString& home) {
    QStringList prefixes;
    const QStringList lines = QString::fromUtf8(yaml).split(QLatin1Char('\n'));
    for (const QString& line : lines) {
        const QString trimmed = line.trimmed();
        if (!trimmed.startsWith(QStringLiteral("prefix:")))
            continue;
        const QString path = expandHome(unquoteYaml(trimmed.mid(7)), home);
        if (QDir::isAbsolutePath(path))
            prefixes << QDir::cleanPath(path);
    }
    prefixes.removeDuplicates();
    return prefixes;
}

QStringList steamLibraryFolders(QByteArrayView vdf) {
    QStringList folders;
    VdfReader reader(vdf);
    QList<QByteArray> keys; // the keys of the blocks we are in
    std::optional<QByteArray> pendingKey;
    while (const std::optional<VdfToken> token = reader.next()) {
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
            const QByteArray key = pendingKey->toLower();
            const bool inRoot = !keys.isEmpty() && keys.first() == "libraryfolders";
            const bool current = inRoot && keys.size() == 2 && key == "path";
            const bool older = inRoot && keys.size() == 1 && isNumber(key);
            const QString folder = QString::fromUtf8(token->text);
            if ((current || older) && QDir::isAbsolutePath(folder))
                folders << QDir::cleanPath(folder);
            pendingKey.reset();
        }
    }
    folders.removeDuplicates();
    return folders;
}

} // namespace quillmere::host
