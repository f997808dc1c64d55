#pragma once

#include <QString>

// Pictures of the whole window: at start, every page through the menu,
// maximised, the settings page's refusal box, new theme colours, the record
// page with running and finished transfers and the "下载出错" box. Needs the
// database open and the fake library in place; returns the failures.
int shoot_main_window(const QString &out_dir);
