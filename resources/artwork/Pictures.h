#pragma once

class QPainter;
class QRectF;

// The pictures that are not button glyphs: icons, marks laid over file
// icons, the waiting prompts and the tab look. Each draws into the area it
// is given, scaled from the size it was designed at.
namespace Pictures {

void server_icon(QPainter &painter, const QRectF &area);
void client_icon(QPainter &painter, const QRectF &area);
void user_head(QPainter &painter, const QRectF &area);
void unknown_file(QPainter &painter, const QRectF &area);
void share_mark(QPainter &painter, const QRectF &area);
void grade_mark(QPainter &painter, const QRectF &area, int grade);
void please_wait(QPainter &painter, const QRectF &area);
void translucent_tile(QPainter &painter, const QRectF &area);
void waiting_frames(QPainter &painter, const QRectF &area, int frames);
void record_tabs(QPainter &painter, const QRectF &area);

} // namespace Pictures
