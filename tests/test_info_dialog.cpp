#include "app/FrmMessage.h"

#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTest>

class TestInfoDialog : public QObject
{
    Q_OBJECT
private slots:
    void layoutAndTexts()
    {
        auto* dialog = new FrmMessage;
        dialog->setMessage(QStringLiteral("A\r\nB"));
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Message"));
        QCOMPARE(dialog->size(), QSize(411, 346));
        QCOMPARE(dialog->minimumSize(), dialog->maximumSize());
        QCOMPARE(dialog->findChild<QLabel*>("Label1")->text(),
                 QStringLiteral("Kabel von PC zu GAZ4 (ALGE Nr 105)"));
        QCOMPARE(dialog->findChild<QPushButton*>("btnClose")->text(), QStringLiteral("&Close"));
        QVERIFY(!dialog->findChild<QLabel*>("Image1")->pixmap().isNull());
        QCOMPARE(dialog->message(), QStringLiteral("A\nB"));
        delete dialog;
    }

    void escapeDoesNotCloseButCloseDoes()
    {
        QPointer<FrmMessage> dialog = new FrmMessage;
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
