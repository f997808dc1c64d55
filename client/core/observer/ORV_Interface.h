#pragma once

#include <QObject>

class Observable_Obj;
class Observer_Obj;

// A controller: stands between pages and the subject it owns, forwarding the
// pages' requests. Controllers are used on the GUI thread.
class ORV_Interface : public QObject
{
    Q_OBJECT

public:
    explicit ORV_Interface(Observer_Obj* subject);
    ~ORV_Interface() override;

    void attach(Observable_Obj* page);
    void detach(Observable_Obj* page);

    // Starts the controller; a page calls it once, after attaching.
    virtual void setup() = 0;

protected:
    Observer_Obj* subject() const { return m_subject; }

private:
    Observer_Obj* m_subject;
};
