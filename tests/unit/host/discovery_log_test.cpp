// Host names as the log spells them: what is UTF-8 as it reads, every other byte as \xNN.
#include "host/discovery_log.h"
#include "support/qt_print.h"

#include <gtest/gtest.h>

namespace quillmere {
namespace {

TEST(DiscoveryLog, NamesAsTheFileSystemGivesThem) {
    const struct {
        QByteArray name;
        QString logged;
    } cases[] = {
        {"Diablo II", "Diablo II"},
        {"Caf\xc3\xa9 \xf0\x9f\x8e\xae", "Caf\u00e9 \U0001F3AE"},
        {"caf\xe9", "caf\\xE9"},             // Latin-1
        {"\xc0\xaf", "\\xC0\\xAF"},          // an overlong "/"
        {"\xed\xa0\x80", "\\xED\\xA0\\x80"}, // a lone surrogate
        {"end\xe2\x82", "end\\xE2\\x82"},    // cut short
        {"a\nb\\c", "a\\x0Ab\\x5Cc"},        // nothing that reads as the log's own spelling
    };
    for (const auto& each : cases)
        EXPECT_EQ(host::hostNameForLog(each.name), each.logged) << each.name.toHex().constData();
}

} // namespace
} // namespace quillmere
