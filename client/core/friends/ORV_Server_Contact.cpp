#include "client/core/friends/ORV_Server_Contact.h"

ORV_Server_Contact::ORV_Server_Contact(QObject* parent) : QObject(parent)
{
    m_silence.setSingleShot(true);
    m_silence.setInterval(SILENCE_LIMIT);
    connect(&m_silence, &QTimer::timeout, this, &ORV_Server_Contact::fell_silent);
}

void ORV_Server_Contact::note_answer()
{
    if (m_answer_posted.exchange(true))
        return;
    QMetaObject::invokeMethod(this, [this] { answered(); }, Qt::QueuedConnection);
}

std::string ORV_Server_Contact::server() const
{
    const std::lock_guard<std::mutex> lock(m_server_mutex);
    return m_server;
}

void ORV_Server_Contact::set_server(const std::string& address)
{
    const std::lock_guard<std::mutex> lock(m_server_mutex);
    m_server = address;
}

void ORV_Server_Contact::set_silence_limit(std::chrono::milliseconds limit)
{
    m_silence.setInterval(limit);
}

void ORV_Server_Contact::answered()
{
    m_answer_posted = false;
    m_silence.start();
    if (m_answering)
        return;
    m_answering = true;
    emit signal_contact(true);
}

void ORV_Server_Contact::fell_silent()
{
    m_answering = false;
    emit signal_contact(false);
}
