#pragma once

#include <QMenu>

// A parentless menu that says when it has been hidden, so its owner can
// delete it then.
class ORV_QMenu : public QMenu
{
    Q_OBJECT
public:
    ORV_QMenu();

signals:
    void signalDelete();

protected:
    void closeEvent(QCloseEvent *event) override;
    void hideEvent(QHideEvent *event) override;
};
