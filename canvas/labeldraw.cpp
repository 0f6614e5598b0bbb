#include "labeldraw.h"

// Placeholder bodies until the canvas is written.
labeldraw::labeldraw(QWidget* parent) : QLabel(parent) {}
QRectF labeldraw::getRect() const { return tableRect; }
QVector<QRectF> labeldraw::getLines() const { return lines; }
void labeldraw::setRectAndLines(const QRectF& rect, const QVector<QRectF>& l) { tableRect = rect; lines = l; }
void labeldraw::drawrect() { drawMode = 1; }
void labeldraw::drawline() { drawMode = 2; }
void labeldraw::zoomin() {}
void labeldraw::zoomout() {}
void labeldraw::delrec() {}
void labeldraw::delline() {}
void labeldraw::mousePressEvent(QMouseEvent*) {}
void labeldraw::mouseReleaseEvent(QMouseEvent*) {}
void labeldraw::mouseMoveEvent(QMouseEvent*) {}
void labeldraw::paintEvent(QPaintEvent* e) { QLabel::paintEvent(e); }
void labeldraw::scaleGeometry(double) {}
void labeldraw::requestRepaint() {}
void labeldraw::resetCleared() {}
void labeldraw::rebuildHandles() {}
void labeldraw::rebuildEdgeBands() {}
