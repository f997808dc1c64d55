#include "client/ui/widgets/ORV_QMenu.h"

ORV_QMenu::ORV_QMenu() : QMenu(nullptr) {}

void ORV_QMenu::closeEvent(QCloseEvent *event)
{
    QMenu::closeEvent(event);
}

void ORV_QMenu::hideEvent(QHideEvent *event)
{
    QMenu::hideEvent(event);
    emit signalDelete();
}
