#pragma once

#include "client/core/records/ORV_FileExplorer_Table_Row_Data.h"
#include "foundation/widgets/ORV_QWidget_Obj.h"

#include <QFileInfo>
#include <QList>
#include <QMutex>

class ORV_Browse_Interface;
class ORV_Button;
class ORV_FielBox;
class QGridLayout;
class QHBoxLayout;
class QLineEdit;

// The address bar of an explorer page: back, home, the crumbs of the current
// path, refresh and search. Every action goes to the page's browse
// controller; the listing that follows updates the page.
class ORV_Explorer_Box : public ORV_QWidget_Obj
{
    Q_OBJECT
public:
    explicit ORV_Explorer_Box(QWidget *parent = nullptr);

    // One crumb to be: its text and the path it opens ("" the root).
    struct Crumb_Place
    {
        QString text;
        QString path;
    };

    // Rebuilds the crumbs for the bar's present width; the deepest folders
    // win when they do not all fit. Run again whenever the width changes.
    void set_path(const QString &path);
    // The crumbs of a path, root first: the root, the drive, the folders.
    virtual QList<Crumb_Place> crumb_places(const QString &path) const;
    void set_root_entries(const QList<QFileInfo> &entries);
    QList<QFileInfo> root_entries() const;
    // What a crumb's menu offers for its folder: the root entries for the
    // root crumb, else the folder's listing, folders first.
    virtual QList<ORV_FileExplorer_Table_Row_Data> folder_entries(const QString &path) const;

    void update_layout_size() override {}
    virtual QString root_text() const = 0;
    virtual void build() = 0;

    const QList<ORV_FielBox *> &crumbs() const { return m_crumbs; }
    ORV_Browse_Interface *controller() const { return m_controller; }
    ORV_Button *back_button() const { return m_back; }
    ORV_Button *home_button() const { return m_home; }
    ORV_Button *refresh_button() const { return m_refresh; }

    // The fixed columns around the crumbs.
    static constexpr int reserve_width = 190;

signals:
    void signal_to_open_file(QString path);
    void signal_show_wait_page();

public slots:
    void slot_dowm_double_click(ORV_FielBox *crumb);
    void slot_dowm_double_click(QString path);
    void slot_back_page();
    void slot_home_page();
    void slot_refresh_page();
    void slot_search_page();
    void slot_show_wait_page();

protected:
    // The common part of every bar's build, given the controller it talks to.
    void build_bar(ORV_Browse_Interface *controller);

    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    ORV_Button *make_button(const QString &strip, const QString &tooltip);
    ORV_FielBox *make_crumb(const QString &text, const QString &path, int *width);
    void clear_crumbs();
    void fit_crumbs(const QList<Crumb_Place> &places, int available);
    void refit_crumbs();

    QGridLayout *m_grid = nullptr;
    QHBoxLayout *m_crumb_box = nullptr;
    ORV_Button *m_back = nullptr;
    ORV_Button *m_refresh = nullptr;
    ORV_Button *m_home = nullptr;
    QLineEdit *m_search_edit = nullptr;
    ORV_Button *m_search = nullptr;
    QWidget *m_underline = nullptr;
    ORV_Browse_Interface *m_controller = nullptr;
    mutable QMutex m_lock;
    QList<ORV_FielBox *> m_crumbs;
    QList<QFileInfo> m_root_entries;
    QString m_path;
    int m_laid_out_width = -1;
};

// The bar of the local files page.
class ORV_File_Explorer_Box : public ORV_Explorer_Box
{
    Q_OBJECT
public:
    using ORV_Explorer_Box::ORV_Explorer_Box;
    QString root_text() const override;
    void build() override;
};

// The bar of the LAN friends page. Its crumbs run from the friends to the
// friend on show (its identity the crumb's path), the share and the folders
// inside it; a crumb's menu offers the friends, or the friend's folders the
// page has listed, never a local folder of the same name.
class ORV_LAN_Friend_Explorer_Box : public ORV_Explorer_Box
{
    Q_OBJECT
public:
    using ORV_Explorer_Box::ORV_Explorer_Box;
    QString root_text() const override;
    void build() override;
    QList<Crumb_Place> crumb_places(const QString &path) const override;
    QList<ORV_FileExplorer_Table_Row_Data> folder_entries(const QString &path) const override;
};

// The bar of the own shares page.
class ORV_Share_Explorer_Box : public ORV_Explorer_Box
{
    Q_OBJECT
public:
    using ORV_Explorer_Box::ORV_Explorer_Box;
    QString root_text() const override;
    void build() override;
};
