#include "MainWindowFixture.h"

#include <QAbstractItemView>
#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

using namespace qvic;
using Setting = QString SharedState::*;

namespace {

// One list at two openings from the menu: what the first shows, the choice made
// there, what it keeps, and what the second opening shows.
struct Pick
{
    const char *name;
    QString before; // the kept value before the first opening; empty: the program's default
    QString shown;  // at the first opening
    QString ends;   // first and last entry
    int count;
    bool visible;
    bool typed;     // typed and confirmed with Enter; else taken from the list (from code when hidden)
    QString entry;
    Setting setting;
    QString kept;
};

// The operator opens the list and takes an entry: the highlight moves to it, Enter takes it.
void choose(QComboBox *box, const QString &entry)
{
    box->showPopup();
    QTRY_VERIFY(box->view()->isVisible());
    box->view()->setCurrentIndex(box->view()->model()->index(box->findText(entry), 0));
    QTest::keyClick(box->view(), Qt::Key_Return);
    QTRY_VERIFY(!box->view()->isVisible());
}

} // namespace

Q_DECLARE_METATYPE(Pick)

class tst_Kite7Dialog : public QObject
{
    Q_OBJECT

private slots:
    void list_data();
    void list();
};

void tst_Kite7Dialog::list_data()
{
    QTest::addColumn<Pick>("pick");
    using S = SharedState;
    QTest::newRow("COM 8") << Pick{"cboComPort", "", "1", "1..8", 8, true, false, "8", &S::strKite7ComPort, "8"};
    QTest::newRow("Fast") << Pick{"cboCrawlSpeed", "", "Slow", "Slow..Fast", 3, true, false, "Fast", &S::strKite7Speed, "Fast"};
    QTest::newRow("40") << Pick{"cboPosition", "", "200", "40..218", 179, true, false, "40", &S::strKite7Position, "40"};
    // Typed text stores nothing, not even the entry it begins (50).
    QTest::newRow("typed 5") << Pick{"cboPosition", "", "200", "40..218", 179, true, true, "5", &S::strKite7Position, "200"};
    QTest::newRow("127") << Pick{"cboRepetition", "", "Infinite", "1..Infinite", 128, true, false, "127", &S::strKite7Repeat, "127"};
    QTest::newRow("Infinite") << Pick{"cboRepetition", "5", "5", "1..Infinite", 128, true, false, "Infinite", &S::strKite7Repeat, "128"};
    // The hidden lists: out of the operator's reach, chosen from code.
    QTest::newRow("banner") << Pick{"cboBackColor", "", "No Background Color (Video)", "Black..White", 16, false, false, "White",
                                    &S::strKite7BackColor, "16"};
    QTest::newRow("font") << Pick{"cboFont", "", "Font 1", "Font 1..Font 4", 4, false, false, "Font 4", &S::strKite7Font, "4"};
    QTest::newRow("font colour") << Pick{"cboFontColor", "", "White", "Black..White", 16, false, false,
                                         "No Background Color (Video)", &S::strKite7FontColor, "9"};
}

void tst_Kite7Dialog::list()
{
    QFETCH(Pick, pick);
    test::MainWindowFixture w;
    QVERIFY(!w.error);
    if (!pick.before.isEmpty())
        w.state.*pick.setting = pick.before;
    const QString former = w.state.*pick.setting;
    // Opened modally from the menu; a window the operator leaves open gets its close box.
    const auto visit = [&](const std::function<void(QComboBox *)> &act) {
        test::whenModal([&](QWidget *dialog) {
            QVERIFY(dialog && dialog->objectName() == u"frmKite7");
            act(dialog->findChild<QComboBox *>(pick.name));
        });
        w.window->findChild<QAction *>("mnuKite7")->trigger();
    };
    visit([&](QComboBox *box) {
        QCOMPARE(box->currentText(), pick.shown);
        QCOMPARE(box->itemText(0) + ".." + box->itemText(box->count() - 1), pick.ends);
        QCOMPARE(box->isVisible(), pick.visible);
        if (pick.typed) {
            box->setFocus();
            box->lineEdit()->selectAll();
            QTest::keyClicks(box, pick.entry);
            QCOMPARE(box->currentText(), pick.entry); // nothing completed
            QTest::keyClick(box, Qt::Key_Return);
            QVERIFY(box->window()->isVisible()); // Enter in a list presses no button
            QTest::mouseClick(box->window()->findChild<QPushButton *>("btnClose"), Qt::LeftButton);
            QTRY_VERIFY(!box->window()->isVisible());
        } else if (pick.visible) {
            choose(box, pick.entry);
        } else {
            box->setCurrentIndex(box->findText(pick.entry));
            emit box->activated(box->currentIndex());
        }
        QCOMPARE(box->count(), pick.count); // typing adds no entry
    });
    QCOMPARE(w.state.*pick.setting, pick.kept);
    // The choice outlives the dialog; what stored nothing is not shown either.
    visit([&](QComboBox *box) { QCOMPARE(box->currentText(), pick.kept == former ? pick.shown : pick.entry); });
}

QTEST_MAIN(tst_Kite7Dialog)
#include "tst_kite7dialog.moc"
