#include "app/layout.h"

#include <QtTest>

using namespace layout;

class LayoutTest : public QObject
{
    Q_OBJECT
private slots:
    void normalSize();
    void maximized();
    void rulesReadEarlierResults_data();
    void rulesReadEarlierResults();
    void repeatedResizeIsStable();
};

void LayoutTest::normalSize()
{
    const Arrangement a = resized(initialArrangement(), 9075, 6795);
    QCOMPARE(a[Findme].width, 3345);
    QCOMPARE(a[Replaceme].width, 3345);
    QCOMPARE(a[rtftext].width, 3345);
    QCOMPARE(a[rtftext].height, 2895);
    QCOMPARE(a[lstResults].height, 1295);
    QCOMPARE(a[lblScan].width, 8845);
    QCOMPARE(a[lblTotal].width, 8845);
    QCOMPARE(a[Command1].top, 6395);
    QCOMPARE(a[cmdUndo].top, 6395);
    QCOMPARE(a[cmdClose].top, 6395);
    QCOMPARE(a[Command1].left, 5675);
    QCOMPARE(a[cmdUndo].left, 6825);
    QCOMPARE(a[cmdClose].left, 7975);
    QCOMPARE(a[Frame1].top, 4655);
    QCOMPARE(a[Frame2].top, 4655);
}

void LayoutTest::maximized()
{
    const Arrangement before = initialArrangement();
    const int W = 1920 * twipsPerPixel, H = 1000 * twipsPerPixel;
    const Arrangement a = resized(before, W, H);
    QCOMPARE(a[Findme].width, W - 5730);
    QCOMPARE(a[rtftext].height, H - 3900);
    QCOMPARE(a[lstResults].height, H - 5500);
    QCOMPARE(a[cmdClose].top + a[cmdClose].height, H - 50);
    QCOMPARE(a[cmdClose].left, W - 1100);
    QCOMPARE(a[Frame2].top + a[Frame2].height, H - 85);
    // The left column and everything the rules do not name keep their places.
    for (Control c : { Drive1, Dir1, lstFiles, Label4, Label5, Label6, Label7, chkAll })
        QCOMPARE(a[c], before[c]);
    QCOMPARE(a[lstResults].width, before[lstResults].width);
    QCOMPARE(a[Frame1].left, before[Frame1].left);
    QCOMPARE(a[Frame1].height, before[Frame1].height);
}

void LayoutTest::rulesReadEarlierResults_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("findWidth");
    QTest::addColumn<int>("previewHeight");
    QTest::addColumn<int>("resultsHeight");
    // Too narrow for the find box: its rule is skipped and the boxes that copy it keep its old width.
    QTest::newRow("narrow") << 5000 << 6795 << 3340 << 2895 << 1295;
    // Too low for the results list but not for the preview.
    QTest::newRow("low") << 9075 << 5000 << 3345 << 1100 << 1230;
    QTest::newRow("tiny") << 100 << 100 << 3340 << 2955 << 1230;
}

void LayoutTest::rulesReadEarlierResults()
{
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(int, findWidth);
    QFETCH(int, previewHeight);
    QFETCH(int, resultsHeight);
    const Arrangement a = resized(initialArrangement(), width, height);
    QCOMPARE(a[Findme].width, findWidth);
    QCOMPARE(a[Replaceme].width, findWidth);
    QCOMPARE(a[rtftext].width, findWidth);
    QCOMPARE(a[rtftext].height, previewHeight);
    QCOMPARE(a[lstResults].height, resultsHeight);
    // Positions are never refused, even negative ones.
    QCOMPARE(a[cmdClose].top, height - 400);
    QCOMPARE(a[Command1].left, width - 1100 - 2300);
}

void LayoutTest::repeatedResizeIsStable()
{
    const Arrangement big = resized(initialArrangement(), 30000, 20000);
    QCOMPARE(resized(big, 9075, 6795), resized(initialArrangement(), 9075, 6795));
}

QTEST_APPLESS_MAIN(LayoutTest)
#include "tst_layout.moc"
