#pragma once

#include <QString>

#include <mutex>

// The client's own record in t_myinfor: its identity above all, made once
// on the first start and read back on every later one.
class ORV_DataBase_Manage
{
public:
    // Made on first use, which loads (or creates) the record.
    static ORV_DataBase_Manage& instance();

    // False when a new record had to be made (or nothing could be read).
    bool load_my_info();
    bool insert_my_info(const QString& my_eml, const QString& my_password, const QString& my_uuid,
                        const QString& server_ip, bool isautostart);
    bool update_server_ip(const QString& ip);

    QString get_my_uuid() const;
    QString get_server_ip() const;

    // In memory only.
    void set_my_eml(const QString& value);
    void set_my_password(const QString& value);
    void set_my_uuid(const QString& value);
    void set_server_ip(const QString& value);
    void set_isautostart(bool value);

private:
    ORV_DataBase_Manage();
    void set_record(const QString& eml, const QString& password, const QString& uuid,
                    const QString& ip, bool autostart);

    // Request and transfer threads read the identity while the GUI thread
    // may change the address.
    mutable std::mutex m_mutex;
    QString my_eml;
    QString my_password;
    QString my_uuid;
    QString server_ip;
    bool isautostart = false;
};
