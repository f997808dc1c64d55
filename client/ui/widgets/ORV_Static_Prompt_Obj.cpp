#include "client/ui/widgets/ORV_Static_Prompt_Obj.h"

#include "client/core/icons/ORV_Pixmap_Cache.h"
#include "foundation/widgets/ORV_Button.h"
#include "foundation/widgets/ORV_Palette.h"
#include "foundation/widgets/ORV_QGridLayout.h"

namespace {

const QString cover_tile = QStringLiteral(":/ORV_SHARE/image/transparent_piece_blue_green_10x10.png");

} // namespace

QGridLayout *build_prompt_cover(QWidget *prompt)
{
    set_background_pixmap(prompt, ORV_Pixmap_Cache::instance().get_pixmap(cover_tile));
    auto *grid = new ORV_QGridLayout(prompt);
    grid->setRowStretch(0, 1);
    grid->setRowStretch(1, 0);
    grid->setRowMinimumHeight(1, 200);
    grid->setRowStretch(2, 1);
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(1, 0);
    grid->setColumnMinimumWidth(1, 200);
    grid->setColumnStretch(2, 1);
    return grid;
}

ORV_Static_Prompt_Obj::ORV_Static_Prompt_Obj(QWidget *parent) : ORV_Widget(parent) {}

void ORV_Static_Prompt_Obj::build()
{
    m_grid = build_prompt_cover(this);
    m_picture = new ORV_Button(1);
    m_picture->set_enabled(false);
    m_grid->addWidget(m_picture, 1, 1, Qt::AlignCenter);
}

void ORV_Static_Prompt_Obj::set_image(const QString &path)
{
    m_picture->set_pixmap(ORV_Pixmap_Cache::instance().get_pixmap(path));
}
