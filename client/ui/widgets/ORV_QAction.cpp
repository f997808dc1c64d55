#include "client/ui/widgets/ORV_QAction.h"

ORV_QAction::ORV_QAction(const QString &text, const QString &value, QObject *parent)
    : QAction(text, parent), m_value(value)
{
    connect(this, &QAction::triggered, this, &ORV_QAction::slot_triggered);
}

void ORV_QAction::slot_triggered()
{
    emit signal_triggered(m_value);
}
