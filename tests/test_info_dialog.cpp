// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/FrmMessage.h"
#include "core/AboutText.h"

#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTest>

class TestInfoDialog : public QObject
{
    Q_OBJECT
private slots:
    // The whole About text shows, and so do the heading and the button's caption, also with fonts a
    // quarter larger in pixels, as on a screen set to 120 dpi.
    void aboutTextShowsWhole_data()
    {
        QTest::addColumn<qreal>("scale");
        QTest::newRow("96 dpi") << 1.0;
        QTest::newRow("120 dpi") << 1.25;
    }
    void aboutTextShowsWhole()
    {
        QFETCH(qreal, scale);
        FrmMessage dialog;
        dialog.setMessage(AboutText::current());
        QList<QWidget*> widgets = dialog.findChildren<QWidget*>();
        widgets << &dialog;
        QList<QFont> fonts;
        for (QWidget* w : widgets)
            fonts << w->font();
        for (int i = 0; i < widgets.size(); ++i) {
            fonts[i].setPointSizeF(fonts[i].pointSizeF() * scale);
            widgets[i]->setFont(fonts[i]);
        }
        dialog.show();

        auto* text = dialog.findChild<QLabel*>("lblMessage");
        QVERIFY2(text->heightForWidth(text->width()) <= text->height() &&
                     text->sizeHint().height() <= text->height(),
                 qPrintable(QStringLiteral("needs %1, has %2")
                                .arg(text->heightForWidth(text->width()))
                                .arg(text->height())));
        auto* heading = dialog.findChild<QLabel*>("Label1");
        QVERIFY(heading->sizeHint().width() <= heading->width() &&
                heading->sizeHint().height() <= heading->height());
        auto* button = dialog.findChild<QPushButton*>("btnClose");
        QVERIFY(button->sizeHint().height() <= button->height());
        QVERIFY(button->geometry().top() > text->geometry().bottom());
        QVERIFY(dialog.rect().contains(button->geometry()));
    }

    // Texts and size of the dialog; Escape leaves it open, its button closes it.
    void textsAndClosing()
    {
        QPointer<FrmMessage> dialog = new FrmMessage;
        dialog->setMessage(QStringLiteral("A\r\nB"));
        QCOMPARE(dialog->message(), QStringLiteral("A\nB"));
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Message"));
        QCOMPARE(dialog->width(), 411);
        QCOMPARE(dialog->minimumSize(), dialog->maximumSize());
        QCOMPARE(dialog->findChild<QLabel*>("Label1")->text(),
                 QStringLiteral("Kabel von PC zu GAZ4 (ALGE Nr 105)"));
        QCOMPARE(dialog->findChild<QPushButton*>("btnClose")->text(), QStringLiteral("&Close"));
        QVERIFY(!dialog->findChild<QLabel*>("Image1")->pixmap().isNull());
        dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(dialog));
        QTest::keyClick(dialog, Qt::Key_Escape);
        QVERIFY(dialog && dialog->isVisible());
        QCOMPARE(dialog->focusWidget(), dialog->findChild<QPushButton*>("btnClose"));
        QTest::keyClick(dialog->findChild<QPushButton*>("btnClose"), Qt::Key_Space);
        QTRY_VERIFY(!dialog); // closed and gone
    }
};

QTEST_MAIN(TestInfoDialog)
#include "test_info_dialog.moc"
