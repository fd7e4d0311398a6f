#include "TTwoJumper.h"

#include <QMouseEvent>
#include <QPainter>

TTwoJumper::TTwoJumper(QWidget *parent) : QWidget(parent) { resize(34, 18); }
void TTwoJumper::setClosed(bool value) { if (value != m_closed) { m_closed = value; update(); } }
void TTwoJumper::setBaseColor(TColor value) { if (value != m_baseColor) { m_baseColor = value; update(); } }
void TTwoJumper::setPinColor(TColor value) { if (value != m_pinColor) { m_pinColor = value; update(); } }
void TTwoJumper::setJumperColor(TColor value) { if (value != m_jumperColor) { m_jumperColor = value; update(); } }
void TTwoJumper::setOrientation(TOrientationType value) { if (value != m_orientation) { m_orientation = value; update(); } }
void TTwoJumper::setBorderStyle(TBorderStyle value) { if (value != m_borderStyle) { m_borderStyle = value; update(); } }
void TTwoJumper::Click() { m_closed = !m_closed; update(); emit OnClick(); }
void TTwoJumper::paintEvent(QPaintEvent *) { QPainter p(this); p.fillRect(rect(), m_closed ? Qt::darkRed : Qt::gray); }
void TTwoJumper::mousePressEvent(QMouseEvent *e) { m_pressed = e->button() == Qt::LeftButton; }
void TTwoJumper::mouseReleaseEvent(QMouseEvent *e) { if (m_pressed && rect().contains(e->position().toPoint())) Click(); m_pressed = false; }
void TTwoJumper::mouseDoubleClickEvent(QMouseEvent *) {}
