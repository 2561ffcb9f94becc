// Wildcard matching on arbitrary pattern and name pairs: no crash, no blow-up, and the plain
// properties every Windows pattern has.
#include "winpath/wildcard.h"

#include <QString>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string_view>

using quillmere::winpath::matchesWildcard;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 2048)
        return 0;
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const qsizetype split = bytes.indexOf('\n');
    const QString pattern = QString::fromUtf8(split < 0 ? bytes : bytes.left(split));
    const QString name = split < 0 ? QString() : QString::fromUtf8(bytes.mid(split + 1));

    const bool matched = matchesWildcard(pattern, name);
    // ASCII names are also matched as bytes, unconverted: both ways must agree.
    const QByteArray nameBytes = name.toUtf8();
    if (std::all_of(nameBytes.begin(), nameBytes.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }) &&
        quillmere::winpath::WildcardPattern(pattern).matchesAscii(
            std::string_view(nameBytes.constData(), size_t(nameBytes.size()))) != matched)
        std::abort();
    if (!matchesWildcard(name, name) || !matchesWildcard(QStringLiteral("*"), name))
        std::abort();
    const bool plain = !pattern.contains(QLatin1Char('*')) && !pattern.contains(QLatin1Char('?')) &&
                       !pattern.endsWith(QLatin1Char('.'));
    if (plain && matched != (pattern.compare(name, Qt::CaseInsensitive) == 0))
        std::abort(); // without wildcards a pattern is just a name
    return 0;
}
