#include "explorer.h"

#include "crash_states.h"

namespace quillmere::crash {

namespace {

constexpr int kExamples = 5;

QString where(const CrashStates& states, qsizetype point) {
    if (point == 0)
        return QStringLiteral("before step 0 (%1)").arg(describe(states.step(0)));
    return QStringLiteral("after step %1 (%2)").arg(point - 1).arg(describe(states.step(point - 1)));
}

} // namespace

Exploration explore(const CrashScenario& scenario, quint64 limit) {
    Exploration result;
    std::optional<CrashStates> states =
        CrashStates::build(scenario.before, scenario.log, scenario.after, &result.failure);
    if (!states)
        return result;
    const QByteArray root = scenario.invariants.places().root;
    FileTree onDisk = scenario.after;
    result.points = states->steps() + 1;
    for (qsizetype point = 0; point < result.points && result.failure.isEmpty(); ++point) {
        const bool afterReport = states->afterReport(point);
        const CrashStates::Count count = states->visit(point, limit, [&](const FileTree& state, const QString& kept) {
            if (!result.failure.isEmpty() || !state.writeOver(root, onDisk, &result.failure))
                return;
            onDisk = state;
            const QList<Violation> found = scenario.invariants.check(state, afterReport);
            if (found.isEmpty())
                return;
            ++result.broken;
            for (const Violation& violation : found)
                result.kinds.insert(violation.kind);
            if (result.examples.size() < kExamples)
                result.examples << QStringLiteral("%1, keeping %2: %3: %4")
                                       .arg(where(*states, point), kept, kindName(found[0].kind), found[0].what);
        });
        result.states += count.visited;
        result.sampledPoints += count.sampled ? 1 : 0;
    }
    return result;
}

} // namespace quillmere::crash
