#include "foundation/LogWriter.h"

#include <QDateTime>
#include <QFile>
#include <QTextStream>

namespace {

// Logged texts come from the network (identities of login records); line
// breaks and other controls are written as escapes so that no message can
// start a line of its own.
QString escaped_controls(const QString &message)
{
    QString escaped;
    escaped.reserve(message.size());
    for (const QChar c : message) {
        switch (c.unicode()) {
        case '\r': escaped += QLatin1String("\\r"); break;
        case '\n': escaped += QLatin1String("\\n"); break;
        case '\t': escaped += QLatin1String("\\t"); break;
        default:
            switch (c.category()) {
            case QChar::Other_Control:
            case QChar::Separator_Line:
            case QChar::Separator_Paragraph:
                escaped += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
                break;
            default:
                escaped += c;
            }
        }
    }
    return escaped;
}

QString kind_text(int kind)
{
    switch (kind) {
    case 0: return QStringLiteral("Debug: %1");
    case 1: return QStringLiteral("Warning: %1");
    case 2: return QStringLiteral("Critical: %1");
    case 3: return QStringLiteral("Fatal: %1");
    default: return QString();
    }
}

} // namespace

QString LogWriter::entry_text(int kind, const QString &message)
{
    QString text = kind_text(kind);
    if (!text.isEmpty())
        text = text.arg(escaped_controls(message));
    return QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss ddd")) + text
        + QLatin1String("\r\n");
}

void LogWriter::write_login_log(int kind, const QString &message)
{
    const QString entry = entry_text(kind, message);
    QFile file(QStringLiteral("login.txt"));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
        return; // the entry is lost; the caller goes on
    QTextStream stream(&file);
    stream.setCodec("UTF-8");
    stream << entry << Qt::endl;
}

LogWriter &log_writer_instance()
{
    static LogWriter writer;
    return writer;
}

void write_login_log(int kind, const QString &message)
{
    log_writer_instance().write_login_log(kind, message);
}
