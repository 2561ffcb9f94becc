#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace quillmere::test {

// The messages of one logging category while it lives, from every thread; those of other
// categories go on to the handler before it. One at a time.
class CapturedLog {
public:
    explicit CapturedLog(const char* category);
    ~CapturedLog();
    CapturedLog(const CapturedLog&) = delete;
    CapturedLog& operator=(const CapturedLog&) = delete;

    QStringList messages() const;
    // All of them, one a line, for a test's failure message.
    QString text() const { return messages().join(QLatin1Char('\n')); }

private:
    QByteArray m_category;
};

} // namespace quillmere::test
