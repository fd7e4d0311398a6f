#include "THelpForm.h"

#include "ExactClass.h"
#include "TBoardImage.h"
#include "TColor.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMainWindow>
#include <QPushButton>
#include <QTextEdit>

THelpForm::THelpForm(QWidget *owner)
    // Transient for the main window: above it, never above other programs.
    : QWidget(owner, Qt::Window)
{
    setObjectName(QStringLiteral("HelpForm"));
    setWindowTitle(QStringLiteral("Instructions for Settings utility"));

    HelpRich = new QTextEdit(this);
    HelpRich->setObjectName(QStringLiteral("HelpRich"));
    HelpRich->setGeometry(0, 24, 305, 73);
    HelpRich->setReadOnly(true);
    HelpRich->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QPalette palette = HelpRich->palette();
    palette.setColor(QPalette::Base, ColorToQColor(0xDDDDDD));
    HelpRich->setPalette(palette);

    HelpLabel = new QLabel(QStringLiteral("How to use this program"), this);
    HelpLabel->setObjectName(QStringLiteral("HelpLabel"));
    HelpLabel->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    QFont labelFont(QStringLiteral("Verdana"));
    labelFont.setPointSize(12);
    labelFont.setBold(true);
    HelpLabel->setFont(labelFont);
    HelpLabel->setGeometry(0, 0, width(), HelpLabel->sizeHint().height());

    StartButton = new QPushButton(QStringLiteral("Start"), this);
    StartButton->setObjectName(QStringLiteral("StartButton"));
    StartButton->setGeometry(0, 105, 173, 25);
    StartButton->setDefault(true);
    QWidget::setTabOrder(StartButton, HelpRich);
    StartButton->setFocus();
    connect(StartButton, &QPushButton::clicked, this, &THelpForm::StartButtonClick);
}

void THelpForm::StartButtonClick()
{
    hide();
    QWidget *mainWindow = parentWidget();
    if (!mainWindow)
        return;
    // Controls of a main window sit on its client area.
    if (auto *window = qobject_cast<QMainWindow *>(mainWindow); window && window->centralWidget())
        mainWindow = window->centralWidget();
    for (QObject *child : mainWindow->children()) {
        if (auto *image = ExactCast<TBoardImage>(child)) {
            QEvent message(TBoardImage::WM_SHOWFIRSTHIGHLIGHT);
            QCoreApplication::sendEvent(image, &message);
            return;
        }
    }
}

void THelpForm::keyPressEvent(QKeyEvent *event)
{
    // Start is both the default and the cancel button.
    switch (event->key()) {
    case Qt::Key_Escape:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (event->modifiers() & ~Qt::KeypadModifier)
            break;
        StartButton->click();
        return;
    default:
        break;
    }
    QWidget::keyPressEvent(event);
}

void THelpForm::resizeEvent(QResizeEvent *event)
{
    // The heading spans the top edge.
    HelpLabel->setGeometry(0, 0, width(), HelpLabel->height());
    QWidget::resizeEvent(event);
}

void THelpForm::showEvent(QShowEvent *event)
{
    // Centred over the main window the first time it appears; afterwards it
    // stays where the user put it.
    if (!m_placed && !event->spontaneous()) {
        m_placed = true;
        if (QWidget *owner = parentWidget()) {
            const QPoint centre = owner->frameGeometry().center();
            move(centre.x() - frameGeometry().width() / 2, centre.y() - frameGeometry().height() / 2);
        }
    }
    QWidget::showEvent(event);
}
