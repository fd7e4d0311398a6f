#include "TBoardImage.h"

#include "TBoardHighlight.h"
#include "TPicture.h"

#include <QMenuBar>
#include <QPainter>

TBoardImage::TBoardImage(QWidget *parent) : QWidget(parent), m_picture(new TPicture(this)) { resize(105, 105); connect(m_picture, &TPicture::OnChange, this, &TBoardImage::PictureChanged); }
TBoardImage::~TBoardImage() = default;
TBoardHighlight *TBoardImage::First() const { return m_first; }
void TBoardImage::setFirst(TBoardHighlight *value) { m_first = value; }
QMenuBar *TBoardImage::Menu() const { return m_menu; }
void TBoardImage::setMenu(QMenuBar *value) { m_menu = value; }
void TBoardImage::setCenterOnForm(bool v) { m_centerOnForm = v; }
void TBoardImage::setScale(bool v) { m_scale = v; }
void TBoardImage::setAutoSize(bool v) { m_autoSize = v; }
void TBoardImage::setCenter(bool v) { m_center = v; }
void TBoardImage::setStretch(bool v) { m_stretch = v; }
void TBoardImage::setTransparent(bool v) { m_transparent = v; }
void TBoardImage::setPicture(const TPicture *value) { m_picture->Assign(value); }
QRect TBoardImage::DestRect() const { return rect(); }
bool TBoardImage::event(QEvent *e) { return QWidget::event(e); }
void TBoardImage::paintEvent(QPaintEvent *) { QPainter p(this); if (!m_picture->Empty()) p.drawImage(DestRect(), m_picture->Image()); }
void TBoardImage::PictureChanged() { update(); }
