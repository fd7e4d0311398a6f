#pragma once

#include <QLineEdit>
#include <QPointer>

// A line edit that reports each key before handling it and carries a Tag
// reference to a partner control.
class TEdit : public QLineEdit
{
    Q_OBJECT
    Q_PROPERTY(QObject *Tag READ Tag WRITE setTag)

public:
    explicit TEdit(QWidget *parent = nullptr);

    QObject *Tag() const { return m_tag; }
    void setTag(QObject *value) { m_tag = value; }

signals:
    // Raised for every key press before the edit handles it; setting Key to 0
    // swallows the key, anything else lets the edit handle it as usual.
    void OnKeyDown(int &Key, Qt::KeyboardModifiers Shift);

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    QPointer<QObject> m_tag;
};
