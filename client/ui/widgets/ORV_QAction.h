#pragma once

#include <QAction>

// A menu action that reports the value it was made with when triggered.
class ORV_QAction : public QAction
{
    Q_OBJECT
public:
    ORV_QAction(const QString &text, const QString &value, QObject *parent);

    const QString &value() const { return m_value; }

signals:
    void signal_triggered(QString value);

public slots:
    void slot_triggered();

private:
    QString m_value;
};
