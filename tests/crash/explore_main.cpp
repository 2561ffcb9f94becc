#include "explorer.h"
#include "operations.h"

#include <QCoreApplication>

#include <cstdio>

using namespace quillmere::crash;

namespace {

// States a cut point may leave that are all checked; beyond, as many are drawn with a fixed seed.
constexpr quint64 kDefaultLimit = 4096;

} // namespace

// explore [STATES]: every operation's crash states, at most STATES a cut point.
int main(int argc, char** argv) {
    const QCoreApplication app(argc, argv);
    bool ok = true;
    const quint64 limit = argc > 1 ? QByteArray(argv[1]).toULongLong(&ok) : kDefaultLimit;
    if (!ok || limit < 2) {
        std::fprintf(stderr, "usage: %s [STATES]  (at least 2 states a crash point)\n", argv[0]);
        return 2;
    }
    quint64 passed = 0;
    quint64 failed = 0;
    for (const Operation& operation : operations()) {
        CrashScenario scenario;
        Exploration found;
        if (!scenario.isValid() || !operation.record(scenario, Fault::None))
            found.failure = QStringLiteral("not recorded: %1").arg(scenario.failure);
        else
            found = explore(scenario, limit);
        if (!found.failure.isEmpty()) {
            std::printf("%-30s cannot be checked: %s\n", qPrintable(operation.name), qPrintable(found.failure));
            ++failed;
            continue;
        }
        std::printf("%-30s %5lld crash points (%lld sampled), %8llu states checked, %llu broken\n",
                    qPrintable(operation.name), static_cast<long long>(found.points),
                    static_cast<long long>(found.sampledPoints), static_cast<unsigned long long>(found.states),
                    static_cast<unsigned long long>(found.broken));
        for (const QString& example : found.examples)
            std::printf("    %s\n", qPrintable(example));
        passed += found.states - found.broken;
        failed += found.broken;
    }
    std::printf("%llu passed, %llu failed\n", static_cast<unsigned long long>(passed),
                static_cast<unsigned long long>(failed));
    return failed == 0 ? 0 : 1;
}
