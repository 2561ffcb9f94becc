#include "captured_log.h"

#include <QtGlobal>

#include <mutex>

namespace quillmere::test {

namespace {

std::mutex g_mutex;
QtMessageHandler g_previous = nullptr;
const QByteArray* g_category = nullptr;
QStringList g_messages;

void capture(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    {
        const std::lock_guard lock(g_mutex);
        if (g_category && context.category && *g_category == context.category) {
            g_messages << message;
            return;
        }
    }
    if (g_previous)
        g_previous(type, context, message);
}

} // namespace

CapturedLog::CapturedLog(const char* category)
    : m_category(category) {
    const std::lock_guard lock(g_mutex);
    g_category = &m_category;
    g_messages.clear();
    g_previous = qInstallMessageHandler(capture);
}

CapturedLog::~CapturedLog() {
    qInstallMessageHandler(g_previous);
    const std::lock_guard lock(g_mutex);
    g_category = nullptr;
}

QStringList CapturedLog::messages() const {
    const std::lock_guard lock(g_mutex);
    return g_messages;
}

} // namespace quillmere::test
