#include "crash_states.h"

#include "crash_model.h"

#include <QFile>

#include <algorithm>
#include <random>
#include <set>

namespace quillmere::crash {

namespace {

constexpr qint64 kBlock = 4096;
// More blocks than this, and neighbouring ones are kept or lost together: the choices stay countable.
constexpr int kMaxBlockGroups = 24;
constexpr quint64 kSeed = 0x5eed'c0de'2014'2018ULL;

quint64 times(quint64 a, quint64 b) {
    return b != 0 && a > ~quint64(0) / b ? ~quint64(0) : a * b;
}

// The last sync before the cut at point (done by then), as a step index; -1 when none.
qsizetype lastSyncBefore(const std::vector<qsizetype>& syncs, qsizetype point) {
    const auto after = std::lower_bound(syncs.cbegin(), syncs.cend(), point);
    return after == syncs.cbegin() ? -1 : *(after - 1);
}

void applyWrite(QByteArray& bytes, const Step& step) {
    const qsizetype end = qsizetype(step.offset) + step.data.size();
    if (bytes.size() < end)
        bytes.append(QByteArray(end - bytes.size(), '\0'));
    std::copy(step.data.cbegin(), step.data.cend(), bytes.begin() + step.offset);
}

// A file at one point: what a sync made durable, and what was written since.
struct FilePlan {
    int file = -1;
    QByteArray durable;
    QByteArray last;
    std::vector<qint64> groupStart; // first byte of each group of blocks written since the sync
    mode_t durableMode = 0600, lastMode = 0600;
    std::optional<timespec> durableTime, lastTime;
    bool sizeChoice = false;
    bool metaChoice = false;

    quint64 radix() const {
        return times(quint64(1) << groupStart.size(), quint64(sizeChoice ? 2 : 1) * (metaChoice ? 2 : 1));
    }
};

struct FolderPlan {
    int folder = -1;
    qsizetype durable = 0;
    qsizetype total = 0;
};

// One of a file's choices: whether its new mode and time, its new size, and which groups of blocks
// written since the sync are kept.
struct FileChoice {
    bool meta = false;
    bool lastSize = false;
    quint64 groups = 0;

    FileChoice(const FilePlan& plan, quint64 value) {
        meta = plan.metaChoice && (value & 1);
        value >>= plan.metaChoice ? 1 : 0;
        lastSize = plan.sizeChoice && (value & 1);
        groups = value >> (plan.sizeChoice ? 1 : 0);
    }

    QString said(const FilePlan& plan) const {
        QStringList parts{
            QStringLiteral("%1 of %2 written blocks").arg(qPopulationCount(groups)).arg(plan.groupStart.size())};
        if (plan.sizeChoice)
            parts << QStringLiteral("size %1").arg(lastSize ? plan.last.size() : plan.durable.size());
        if (plan.metaChoice)
            parts << (meta ? QStringLiteral("new mode and time") : QStringLiteral("old mode and time"));
        return parts.join(QStringLiteral(", "));
    }
};

// The choices the model allows at one point, and the state each one leaves.
class PointPlan {
public:
    PointPlan(const CrashModel& model, qsizetype point);

    quint64 possible() const;
    std::vector<quint64> radices() const;
    FileTree state(const std::vector<quint64>& choice, QString* kept) const;

private:
    void planFile(int index);
    void walk(int folder, const QByteArray& prefix, const std::vector<quint64>& choice, FileTree& tree) const;
    TreeNode fileNode(int file, const std::vector<quint64>& choice) const;

    const CrashModel& m_model;
    qsizetype m_point;
    std::vector<FolderPlan> m_folders; // those with changes not yet durable: the first dimensions
    std::vector<FilePlan> m_plans;     // every named file
    std::vector<int> m_dimensions;     // then those of m_plans with writes not yet durable
    std::vector<int> m_planOf;         // file -> its index in m_plans, or -1
    std::vector<qsizetype> m_appliedByDefault;
};

PointPlan::PointPlan(const CrashModel& model, qsizetype point)
    : m_model(model)
    , m_point(point)
    , m_planOf(model.files().size(), -1) {
    for (int f = 0; f < int(model.folders().size()); ++f) {
        const FolderHistory& folder = model.folders()[std::size_t(f)];
        const auto before = [](qsizetype limit) { return [limit](const FolderChange& c) { return c.step < limit; }; };
        const qsizetype sync = lastSyncBefore(folder.syncs, point);
        const auto total = qsizetype(std::count_if(folder.changes.cbegin(), folder.changes.cend(), before(point)));
        const auto durable = qsizetype(std::count_if(folder.changes.cbegin(), folder.changes.cend(), before(sync)));
        m_appliedByDefault.push_back(total);
        if (total > durable)
            m_folders.push_back({f, durable, total});
    }
    for (int i = 0; i < int(model.files().size()); ++i)
        planFile(i);
}

void PointPlan::planFile(int index) {
    const FileHistory& file = m_model.files()[std::size_t(index)];
    if (!file.namedBefore(m_point))
        return; // lost whatever it holds: nothing names it
    // Changes before the last sync are durable; those after it come after them in the log.
    const qsizetype sync = lastSyncBefore(file.syncs, m_point);
    FilePlan plan{index,     file.initial,  file.initial,  {},    file.mode,
                  file.mode, file.modified, file.modified, false, false};
    std::set<qint64> blocks;
    for (const qsizetype at : file.changes) {
        if (at >= m_point)
            break;
        const Step& step = m_model.log().steps[std::size_t(at)];
        const bool durable = at < sync;
        if (step.kind == Step::Kind::Write) {
            applyWrite(plan.last, step);
            if (durable)
                applyWrite(plan.durable, step);
            for (qint64 b = step.offset / kBlock; !durable && b * kBlock < step.offset + step.data.size(); ++b)
                blocks.insert(b);
            continue;
        }
        if (step.kind == Step::Kind::SetMode)
            plan.lastMode = step.mode & 07777;
        else
            plan.lastTime = step.modified;
        if (durable) {
            plan.durableMode = plan.lastMode;
            plan.durableTime = plan.lastTime;
        }
        plan.metaChoice = plan.metaChoice || !durable;
    }
    const std::vector<qint64> written(blocks.cbegin(), blocks.cend());
    const std::size_t groups = std::min<std::size_t>(written.size(), kMaxBlockGroups);
    for (std::size_t g = 0; g < groups; ++g)
        plan.groupStart.push_back(written[g * written.size() / groups] * kBlock);
    plan.sizeChoice = plan.durable.size() != plan.last.size();
    m_planOf[std::size_t(index)] = int(m_plans.size());
    if (plan.radix() > 1)
        m_dimensions.push_back(int(m_plans.size()));
    m_plans.push_back(std::move(plan));
}

quint64 PointPlan::possible() const {
    quint64 product = 1;
    for (const quint64 radix : radices())
        product = times(product, radix);
    return product;
}

std::vector<quint64> PointPlan::radices() const {
    std::vector<quint64> all;
    for (const FolderPlan& folder : m_folders)
        all.push_back(quint64(folder.total - folder.durable) + 1);
    for (const int plan : m_dimensions)
        all.push_back(m_plans[std::size_t(plan)].radix());
    return all;
}

FileTree PointPlan::state(const std::vector<quint64>& choice, QString* kept) const {
    QStringList said;
    for (std::size_t d = 0; d < m_folders.size(); ++d) {
        const FolderPlan& folder = m_folders[d];
        said << QStringLiteral("%1: %2 of %3 changes")
                    .arg(QFile::decodeName(m_model.folders()[std::size_t(folder.folder)].path))
                    .arg(folder.durable + qsizetype(choice[d]))
                    .arg(folder.total);
    }
    for (std::size_t d = 0; d < m_dimensions.size(); ++d) {
        const FilePlan& plan = m_plans[std::size_t(m_dimensions[d])];
        said << QStringLiteral("file #%1: %2")
                    .arg(m_model.files()[std::size_t(plan.file)].number)
                    .arg(FileChoice(plan, choice[m_folders.size() + d]).said(plan));
    }
    *kept = said.isEmpty() ? QStringLiteral("everything was durable") : said.join(QStringLiteral("; "));
    FileTree tree;
    walk(0, {}, choice, tree);
    return tree;
}

void PointPlan::walk(int folder, const QByteArray& prefix, const std::vector<quint64>& choice, FileTree& tree) const {
    const FolderHistory& history = m_model.folders()[std::size_t(folder)];
    qsizetype applied = m_appliedByDefault[std::size_t(folder)];
    for (std::size_t d = 0; d < m_folders.size(); ++d) {
        if (m_folders[d].folder == folder)
            applied = m_folders[d].durable + qsizetype(choice[d]);
    }
    ModelEntries entries = history.initial;
    for (qsizetype i = 0; i < applied; ++i) {
        const FolderChange& c = history.changes[std::size_t(i)];
        if (c.what == FolderChange::What::Add) {
            entries[c.name] = c.entry;
        } else if (c.what == FolderChange::What::Remove) {
            entries.erase(c.name);
        } else {
            const ModelEntry moved = entries.at(c.name);
            entries.erase(c.name);
            entries[c.to] = moved;
        }
    }
    for (const auto& [name, entry] : entries) {
        const QByteArray path = prefix.isEmpty() ? name : prefix + '/' + name;
        if (entry.kind == TreeNode::Kind::Folder) {
            tree.put(path, {TreeNode::Kind::Folder, {}, 0, std::nullopt});
            walk(entry.id, path, choice, tree);
        } else if (entry.kind == TreeNode::Kind::Link) {
            tree.put(path, {TreeNode::Kind::Link, entry.target, 0, std::nullopt});
        } else {
            tree.put(path, fileNode(entry.id, choice));
        }
    }
}

TreeNode PointPlan::fileNode(int file, const std::vector<quint64>& choice) const {
    const int index = m_planOf[std::size_t(file)];
    const FilePlan& plan = m_plans[std::size_t(index)];
    quint64 value = 0;
    for (std::size_t d = 0; d < m_dimensions.size(); ++d) {
        if (m_dimensions[d] == index)
            value = choice[m_folders.size() + d];
    }
    const FileChoice kept(plan, value);
    QByteArray bytes = plan.durable;
    bytes.resize(kept.lastSize ? plan.last.size() : plan.durable.size());
    if (bytes.size() > plan.durable.size())
        std::fill(bytes.begin() + plan.durable.size(), bytes.end(), '\0');
    for (std::size_t g = 0; g < plan.groupStart.size(); ++g) {
        if (!(kept.groups >> g & 1))
            continue;
        const qint64 end = g + 1 < plan.groupStart.size() ? plan.groupStart[g + 1] : bytes.size();
        for (qint64 p = plan.groupStart[g]; p < std::min<qint64>(end, bytes.size()); ++p)
            bytes[p] = p < plan.last.size() ? plan.last[p] : '\0';
    }
    return {TreeNode::Kind::File, bytes, kept.meta ? plan.lastMode : plan.durableMode,
            kept.meta ? plan.lastTime : plan.durableTime};
}

} // namespace

CrashStates::CrashStates(std::unique_ptr<CrashModel> model)
    : m_model(std::move(model)) {}
CrashStates::~CrashStates() = default;
CrashStates::CrashStates(CrashStates&&) noexcept = default;
CrashStates& CrashStates::operator=(CrashStates&&) noexcept = default;

std::optional<CrashStates> CrashStates::build(const FileTree& first, const CrashLog& log, const FileTree& last,
                                              QString* error) {
    if (log.steps.empty()) {
        *error = QStringLiteral("the log holds no step that changed the disk: there is nothing to check, and "
                                "nothing is proven by it");
        return std::nullopt;
    }
    if (log.reportedAt > qsizetype(log.steps.size())) {
        *error = QStringLiteral("the log says the operation reported success after more steps than it holds");
        return std::nullopt;
    }
    std::unique_ptr<CrashModel> model = CrashModel::replay(first, log, error);
    if (!model)
        return std::nullopt;
    CrashStates states(std::move(model));
    const PointPlan end(*states.m_model, states.steps());
    std::vector<quint64> everything = end.radices();
    for (quint64& value : everything)
        value -= 1;
    QString kept;
    const QStringList missed = end.state(everything, &kept).differences(last, false);
    if (!missed.isEmpty()) {
        *error = QStringLiteral("the log does not account for what the operation left: %1")
                     .arg(missed.mid(0, 8).join(QStringLiteral(", ")));
        return std::nullopt;
    }
    return states;
}

qsizetype CrashStates::steps() const {
    return qsizetype(m_model->log().steps.size());
}

bool CrashStates::afterReport(qsizetype point) const {
    return m_model->log().reportedAt >= 0 && point >= m_model->log().reportedAt;
}

const Step& CrashStates::step(qsizetype index) const {
    return m_model->log().steps[std::size_t(index)];
}

CrashStates::Count CrashStates::visit(qsizetype point, quint64 limit, const Visit& each) const {
    const PointPlan plan(*m_model, point);
    const std::vector<quint64> radices = plan.radices();
    Count count{plan.possible(), 0, plan.possible() > limit};
    std::set<QByteArray> seen;
    const auto visitChoice = [&](const std::vector<quint64>& choice) {
        QString kept;
        const FileTree state = plan.state(choice, &kept);
        if (seen.insert(state.digest()).second) {
            ++count.visited;
            each(state, kept);
        }
    };
    std::vector<quint64> choice(radices.size(), 0);
    if (!count.sampled) {
        for (quint64 n = 0; n < count.possible; ++n) {
            quint64 rest = n;
            for (std::size_t d = 0; d < radices.size(); ++d) {
                choice[d] = rest % radices[d];
                rest /= radices[d];
            }
            visitChoice(choice);
        }
        return count;
    }
    visitChoice(choice);
    for (std::size_t d = 0; d < radices.size(); ++d)
        choice[d] = radices[d] - 1;
    visitChoice(choice);
    std::mt19937_64 random(kSeed ^ quint64(point));
    for (quint64 n = 2; n < limit; ++n) {
        for (std::size_t d = 0; d < radices.size(); ++d)
            choice[d] = std::uniform_int_distribution<quint64>(0, radices[d] - 1)(random);
        visitChoice(choice);
    }
    return count;
}

} // namespace quillmere::crash
