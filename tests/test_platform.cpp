// The platform's event model as the program relies on it: which operator actions raise which
// events, that program-set values raise none, and how values are carried.
#include "fixture.h"

#include <QGuiApplication>
#include <QImage>
#include <QLineEdit>
#include <QScreen>
#include <QSpinBox>

static std::vector<std::pair<int, int>> g_events; // (control, event) in order

static int Record(int, int control, int event, void *, int, int) {
    g_events.emplace_back(control, event);
    return 0;
}

class Events : public AppTest {
  protected:
    void SetUp() override {
        AppTest::SetUp();
        static const CallbackBinding controls[] = {{ButtonTeach, Record},
                                                   {RNGGraphSource, Record},
                                                   {NEDITrefA, Record},
                                                   {RBTEeprom, Record},
                                                   {TOGBTNparaII, Record}};
        InstallCallbackTable(controls, 5, nullptr, 0);
        panelHandle = LoadPanel(0, "XVELZUK1V15.uir", PANEL);
        ASSERT_GT(panelHandle, 0);
        g_events.clear();
    }
};

using Seq = std::vector<std::pair<int, int>>;

TEST_F(Events, MouseClickOnAButtonIsLeftClickThenCommit) {
    OperatorPress(panelHandle, ButtonTeach);
    EXPECT_EQ(g_events, (Seq{{ButtonTeach, EVENT_LEFT_CLICK}, {ButtonTeach, EVENT_COMMIT}}));
}

TEST_F(Events, KeyboardActivationIsCommitWithoutLeftClick) {
    OperatorKey(panelHandle, ButtonTeach);
    EXPECT_EQ(g_events, (Seq{{ButtonTeach, EVENT_COMMIT}}));
}

TEST_F(Events, DimmedOrHiddenControlsCannotBeOperated) {
    SetCtrlAttribute(panelHandle, ButtonTeach, ATTR_DIMMED, 1);
    EXPECT_EQ(OperatorPress(panelHandle, ButtonTeach), -1);
    SetCtrlAttribute(panelHandle, ButtonTeach, ATTR_DIMMED, 0);
    SetCtrlAttribute(panelHandle, ButtonTeach, ATTR_VISIBLE, 0);
    EXPECT_EQ(OperatorPress(panelHandle, ButtonTeach), -1);
    EXPECT_TRUE(g_events.empty());
}

TEST_F(Events, RingChangedByTheOperatorIsValueChangedThenCommit) {
    OperatorSet(panelHandle, RNGGraphSource, 0);
    EXPECT_EQ(g_events, (Seq{{RNGGraphSource, EVENT_VAL_CHANGED}, {RNGGraphSource, EVENT_COMMIT}}));
    EXPECT_EQ(CtrlInt(panelHandle, RNGGraphSource), 0);
}

TEST_F(Events, ValuesSetByTheProgramRaiseNoCallback) {
    SetCtrlVal(panelHandle, RNGGraphSource, 1);
    SetCtrlVal(panelHandle, NEDITrefA, 1234);
    SetCtrlVal(panelHandle, RBTEeprom, 1);
    SetCtrlVal(panelHandle, TOGBTNparaII, 1);
    EXPECT_TRUE(g_events.empty());
    EXPECT_EQ(CtrlInt(panelHandle, RNGGraphSource), 1);
    EXPECT_EQ(CtrlInt(panelHandle, RBTEeprom), 1);
}

TEST_F(Events, SwitchingAnOnOffButtonIsLeftClickValueChangedCommit) {
    OperatorSet(panelHandle, RBTEeprom, 1);
    EXPECT_EQ(g_events, (Seq{{RBTEeprom, EVENT_LEFT_CLICK},
                             {RBTEeprom, EVENT_VAL_CHANGED},
                             {RBTEeprom, EVENT_COMMIT}}));
    g_events.clear();
    OperatorSet(panelHandle, RBTEeprom, 1); // already on: nothing to do
    EXPECT_TRUE(g_events.empty());
}

TEST_F(Events, NumericsCarryTheWholeUnsignedSixteenBitRange) {
    SetCtrlVal(panelHandle, NEDITrefA, 65535);
    unsigned short v = 0;
    GetCtrlVal(panelHandle, NEDITrefA, v);
    EXPECT_EQ(v, 65535);
    OperatorSet(panelHandle, NEDITrefA, 40000);
    EXPECT_EQ(CtrlInt(panelHandle, NEDITrefA), 40000);
    EXPECT_EQ(g_events, (Seq{{NEDITrefA, EVENT_VAL_CHANGED}, {NEDITrefA, EVENT_COMMIT}}));
    EXPECT_EQ(OperatorSet(panelHandle, NEDITrefA, 65536), -1);
}

// Indicators are shown once a display frame; what the program reads back is always the newest.
TEST_F(Events, AnIndicatorReadsBackAtOnceAndShowsItsNewestValueByTheNextFrameOrPicture) {
    SetCtrlVal(panelHandle, NUMvalA, 812);
    EXPECT_EQ((Ints{CtrlInt(panelHandle, NUMvalA), ShownCtrlVal(panelHandle, NUMvalA)}),
              (Ints{812, 0}));
    ProcessSystemEvents();
    EXPECT_EQ(ShownCtrlVal(panelHandle, NUMvalA), 812);
    SetCtrlVal(panelHandle, NUMvalA, 5);
    SetCtrlVal(panelHandle, NUMvalA, 812);   // back to what is shown: the 5 must not follow
    SetCtrlVal(panelHandle, NUMAmax, 70000); // beyond the range: held as the box would hold it
    EXPECT_EQ(CtrlInt(panelHandle, NUMAmax), 65535);
    std::string png = testing::TempDir() + "indicator.png";
    ASSERT_EQ(GrabControl(panelHandle, NUMvalA, png.c_str()), 0); // the picture shows the newest
    EXPECT_EQ((Ints{ShownCtrlVal(panelHandle, NUMvalA), ShownCtrlVal(panelHandle, NUMAmax)}),
              (Ints{812, 65535}));
    SetCtrlVal(panelHandle, NEDITrefA, 1234); // an editable numeric changes at once
    EXPECT_EQ(ShownCtrlVal(panelHandle, NEDITrefA), 1234);
    SetCtrlVal(panelHandle, NUMvalA, 9);
    DiscardPanel(panelHandle); // a value still to show outlives its panel harmlessly
    ProcessSystemEvents();
}

// The face an indicator draws its number on must look exactly like the box's own text field,
// enabled and dimmed, in a picture of the control and on the window; once the updates pause,
// the box itself holds the number too.
static QImage Picture(const char *name) { // the control's picture, its face drawn on the box
    std::string png = testing::TempDir() + name;
    EXPECT_EQ(GrabControl(panelHandle, NUMvalA, png.c_str()), 0);
    return QImage(QString::fromStdString(png)).convertToFormat(QImage::Format_RGB32);
}
static QImage BoxAlone(QWidget *box) { // the box as it draws itself, its own text in its field
    return box->grab().toImage().convertToFormat(QImage::Format_RGB32);
}
// The box's text field as the window shows it, and as a picture of the box has it: around the
// field a picture has the box's own background, the window its parent's.
static QRect FieldOnWindow(QSpinBox *box) {
    QWidget *field = box->findChild<QLineEdit *>();
    return QRect(field->mapTo(box->window(), QPoint(0, 0)), field->size());
}
static QImage ScreenAt(QWidget *window, const QRect &r) {
    QImage shot = QGuiApplication::primaryScreen()->grabWindow(window->winId()).toImage();
    return shot.copy(r).convertToFormat(QImage::Format_RGB32);
}
static QImage OnScreen(QSpinBox *box) {
    return ScreenAt(box->window(), FieldOnWindow(box));
}
static QImage Field(QSpinBox *box, const QImage &picture) {
    return picture.copy(box->findChild<QLineEdit *>()->geometry());
}

TEST_F(Events, AnIndicatorsFaceShowsItsNumberExactlyAsTheBoxWouldAndTheBoxCatchesUpWhenQuiet) {
    DisplayPanel(panelHandle);
    auto *box = qobject_cast<QSpinBox *>(plat::CtrlWidget(panelHandle, NUMvalA));
    ASSERT_TRUE(box);
    SetCtrlVal(panelHandle, NUMvalA, 4711);
    ProcessSystemEvents();
    QImage face = Picture("face.png");
    EXPECT_EQ(OnScreen(box), Field(box, face));
    SetCtrlAttribute(panelHandle, NUMvalA, ATTR_DIMMED, 1);
    QImage faceDimmed = Picture("face-dimmed.png");
    EXPECT_EQ(OnScreen(box), Field(box, faceDimmed));
    EXPECT_EQ(box->value(), 0); // not while values may follow
    for (int i = 0; i < 40; i++)
        ProcessSystemEvents();
    EXPECT_EQ(box->value(), 4711);
    EXPECT_EQ(BoxAlone(box), faceDimmed);
    SetCtrlAttribute(panelHandle, NUMvalA, ATTR_DIMMED, 0);
    EXPECT_EQ(BoxAlone(box), face);
    EXPECT_NE(face, faceDimmed);
    SetCtrlAttribute(panelHandle, NUMvalA, ATTR_VISIBLE, 0); // the face goes and comes with it
    ProcessSystemEvents();
    EXPECT_NE(OnScreen(box), Field(box, face));
    SetCtrlAttribute(panelHandle, NUMvalA, ATTR_VISIBLE, 1);
    ProcessSystemEvents();
    EXPECT_EQ(OnScreen(box), Field(box, face));
    box->setValue(4712);
    EXPECT_NE(BoxAlone(box), face);
}

// A face goes and comes with its box, also when the box is hidden before the window first shows,
// and moves with it, leaving nothing where it was.
TEST_F(Events, AnIndicatorsFaceFollowsItsBoxHiddenBeforeTheWindowShowsAndMoved) {
    auto *box = qobject_cast<QSpinBox *>(plat::CtrlWidget(panelHandle, NUMvalA));
    ASSERT_TRUE(box);
    SetCtrlVal(panelHandle, NUMvalA, 4711);
    SetCtrlAttribute(panelHandle, NUMvalA, ATTR_VISIBLE, 0);
    DisplayPanel(panelHandle);
    ProcessSystemEvents();
    QImage hidden = OnScreen(box);
    SetCtrlAttribute(panelHandle, NUMvalA, ATTR_VISIBLE, 1);
    QImage field = Field(box, Picture("face.png"));
    EXPECT_EQ(OnScreen(box), field);
    EXPECT_NE(hidden, field);
    QRect was = FieldOnWindow(box);
    int left = 0;
    GetCtrlAttribute(panelHandle, NUMvalA, ATTR_LEFT, left);
    SetCtrlAttribute(panelHandle, NUMvalA, ATTR_LEFT, left + 10);
    ProcessSystemEvents();
    EXPECT_EQ(OnScreen(box), field);
    EXPECT_NE(ScreenAt(box->window(), was), field);
}

// The digits and the minus sign are drawn from glyphs looked up once; a prefix falls back to
// the box's whole text. Either way the face shows what the box would.
TEST_F(Events, AnIndicatorsFaceWritesNegativeNumbersAndPrefixesAsTheBoxWould) {
    DisplayPanel(panelHandle);
    auto *box = qobject_cast<QSpinBox *>(plat::CtrlWidget(panelHandle, NUMvalA));
    ASSERT_TRUE(box);
    box->setMinimum(-99999);
    auto faceAndBox = [box](int value) {
        SetCtrlVal(panelHandle, NUMvalA, value);
        ProcessSystemEvents();
        QImage face = Picture("face.png");
        EXPECT_EQ(OnScreen(box), Field(box, face)) << value;
        for (int i = 0; i < 40; i++) // quiet: the box takes the value
            ProcessSystemEvents();
        return std::pair{face, BoxAlone(box)};
    };
    for (int value : {-30517, 8, -1}) {
        auto [face, own] = faceAndBox(value);
        EXPECT_EQ(face, own) << value;
    }
    box->setPrefix("x");
    auto [face, own] = faceAndBox(602);
    EXPECT_EQ(face, own);
}

TEST(Panels, UnknownResourceFileOrPanelIsRefused) {
    EXPECT_LT(LoadPanel(0, "other.uir", PANEL), 0);
    EXPECT_LT(LoadPanel(0, "XVELZUK1V15.uir", 3), 0);
    EXPECT_EQ(DisplayPanel(77), -1);
}

TEST(Paths, MakePathnameJoinsAndRefusesPathsTooLongForTheBuffers) {
    char path[MAX_PATHNAME_LEN];
    EXPECT_EQ(MakePathname("/opt/xvel", "XVelRecord.dat", path), 0);
    EXPECT_STREQ(path, "/opt/xvel/XVelRecord.dat");
    EXPECT_EQ(MakePathname("/opt/xvel/", "a.cfg", path), 0);
    EXPECT_STREQ(path, "/opt/xvel/a.cfg");
    std::string longDir(300, 'd');
    EXPECT_EQ(MakePathname(longDir.c_str(), "a.cfg", path), -1);
    EXPECT_STREQ(path, "");
}
