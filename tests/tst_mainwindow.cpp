// The main window: its design, start-up and driver check, window and menus,
// and the up-down and key-reporting edit the port grid is built from.
#include "MessageRecorder.h"
#include "SimulatedCard.h"
#include "TBoardHighlight.h"
#include "TBoardImage.h"
#include "TPicture.h"
#include "TEdit.h"
#include "THelpForm.h"
#include "TRadioPanel.h"
#include "TSetupSupporter.h"
#include "TTwoJumper.h"
#include "TUpDown.h"
#include "TestMain.h"
#include "template.h"

#include <QAbstractEventDispatcher>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QtTest>

namespace {

QWidget *widget(QObject *root, const QString &name)
{
    return root->findChild<QWidget *>(name);
}

template <class T>
T *child(QObject *root, const QString &name)
{
    return root->findChild<T *>(name);
}

QStringList directChildNames(QWidget *parent)
{
    QStringList names;
    for (QObject *o : parent->children())
        if (o->isWidgetType())
            names << o->objectName();
    return names;
}

const QString DriverText = QStringLiteral(
    "VORTANNT.SYS not detected. Please copy VORTANNT.SYS into [NT]/system32/drivers and re-run this setup program.");

} // namespace

class tst_MainWindow : public QObject
{
    Q_OBJECT
private slots:
    void init();

    void designControls_data();
    void designControls();
    void creationOrder_data();
    void creationOrder();
    void panelTexts_data();
    void panelTexts();
    void tabOrder();
    void windowAndReferences();
    void menus();
    void initialSelection();

    void driverCheck_data();
    void driverCheck();
    void opensMaximisedWithFixedBorder();
    void closingEndsProgram_data();
    void closingEndsProgram();
    void helpMenuShowsSupporterWindows();

    void upDownChanges_data();
    void upDownChanges();
    void upDownArrowsByMouse_data();
    void upDownArrowsByMouse();
    void editReportsKeysFirst_data();
    void editReportsKeysFirst();
};

void tst_MainWindow::init()
{
    // A handler misspelt in the design only warns at run time.
    QTest::failOnWarning(QRegularExpression(QStringLiteral("QObject::connect")));
}

void tst_MainWindow::designControls_data()
{
    QTest::addColumn<QString>("className");
    QTest::addColumn<QString>("parentName");
    QTest::addColumn<QRect>("geometry");
    QTest::addColumn<bool>("hidden");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<QVariantMap>("props");
    QTest::addColumn<QStringList>("items");

    QTest::newRow("ClockPanel") << "TRadioPanel" << "centralwidget" << QRect(16, 8, 185, 73) << true << true
        << QVariantMap{{"MemoHeight", 58}} << QStringList();
    QTest::newRow("BasePanel") << "TRadioPanel" << "centralwidget" << QRect(600, 440, 185, 145) << true << true
        << QVariantMap{{"MemoHeight", 58}} << QStringList();
    QTest::newRow("ModePanel") << "TRadioPanel" << "centralwidget" << QRect(0, 168, 185, 169) << true << true
        << QVariantMap{{"MemoHeight", 58}} << QStringList();
    QTest::newRow("COMPanel") << "TRadioPanel" << "centralwidget" << QRect(264, 576, 273, 9) << true << true
        << QVariantMap{{"MemoHeight", 58}} << QStringList();
    QTest::newRow("LoadPanel") << "TRadioPanel" << "centralwidget" << QRect(72, 416, 185, 169) << true << true
        << QVariantMap{{"MemoHeight", 58}} << QStringList();
    QTest::newRow("COMBasePanel") << "TRadioPanel" << "centralwidget" << QRect(536, 8, 265, 161) << true << true
        << QVariantMap{{"MemoHeight", 124}} << QStringList();
    QTest::newRow("DFPanel") << "TRadioPanel" << "centralwidget" << QRect(600, 264, 185, 90) << true << true
        << QVariantMap{{"MemoHeight", 58}} << QStringList();
    QTest::newRow("InvertLabel") << "QLabel" << "ClockPanel" << QRect(80, 16, 73, 19) << false << true
        << QVariantMap{{"alignment", int(Qt::AlignLeft | Qt::AlignVCenter)}, {"text", "X4 CLK"}} << QStringList();
    QTest::newRow("ClockJumper") << "TTwoJumper" << "ClockPanel" << QRect(56, 8, 18, 34) << false << true
        << QVariantMap{{"Closed", false}, {"Orientation", int(otLeft)}} << QStringList();
    QTest::newRow("ClockCombo") << "QComboBox" << "ClockPanel" << QRect(8, 48, 169, 21) << false << true
        << QVariantMap{} << QStringList{"X1 (up to 115,200 baud)", "X8 (up to 921,600 baud)"};
    QTest::newRow("DFJumperB") << "TTwoJumper" << "BasePanel" << QRect(120, 16, 34, 18) << false << false
        << QVariantMap{{"Closed", false}, {"Orientation", int(otUp)}} << QStringList();
    QTest::newRow("BaseJumper9A") << "TTwoJumper" << "BasePanel" << QRect(120, 36, 34, 18) << false << true
        << QVariantMap{{"Closed", false}, {"Orientation", int(otUp)}} << QStringList();
    QTest::newRow("BaseJumper8A") << "TTwoJumper" << "BasePanel" << QRect(120, 56, 34, 18) << false << true
        << QVariantMap{{"Closed", false}, {"Orientation", int(otUp)}} << QStringList();
    QTest::newRow("BaseJumper7A") << "TTwoJumper" << "BasePanel" << QRect(120, 76, 34, 18) << false << true
        << QVariantMap{{"Closed", true}, {"Orientation", int(otUp)}} << QStringList();
    QTest::newRow("BaseJumper6A") << "TTwoJumper" << "BasePanel" << QRect(120, 96, 34, 18) << false << true
        << QVariantMap{{"Closed", true}, {"Orientation", int(otUp)}} << QStringList();
    QTest::newRow("BaseLabel5") << "QLabel" << "BasePanel" << QRect(48, 17, 65, 17) << false << true
        << QVariantMap{{"alignment", int(Qt::AlignRight | Qt::AlignVCenter)}, {"text", "DF"}} << QStringList();
    QTest::newRow("BaseLabel6") << "QLabel" << "BasePanel" << QRect(48, 37, 65, 17) << false << true
        << QVariantMap{{"alignment", int(Qt::AlignRight | Qt::AlignVCenter)}, {"text", "A9"}} << QStringList();
    QTest::newRow("BaseLabel7") << "QLabel" << "BasePanel" << QRect(48, 57, 65, 17) << false << true
        << QVariantMap{{"alignment", int(Qt::AlignRight | Qt::AlignVCenter)}, {"text", "A8"}} << QStringList();
    QTest::newRow("BaseLabel8") << "QLabel" << "BasePanel" << QRect(48, 77, 65, 17) << false << true
        << QVariantMap{{"alignment", int(Qt::AlignRight | Qt::AlignVCenter)}, {"text", "A7"}} << QStringList();
    QTest::newRow("BaseLabel9") << "QLabel" << "BasePanel" << QRect(48, 97, 65, 17) << false << true
        << QVariantMap{{"alignment", int(Qt::AlignRight | Qt::AlignVCenter)}, {"text", "A6"}} << QStringList();
    QTest::newRow("BaseLabelFeedback") << "QLabel" << "BasePanel" << QRect(16, 80, 65, 17) << false << true
        << QVariantMap{{"alignment", int(Qt::AlignHCenter | Qt::AlignTop)}, {"text", QString()}} << QStringList();
    QTest::newRow("BaseJumper5A") << "TTwoJumper" << "BasePanel" << QRect(120, 116, 34, 18) << false << true
        << QVariantMap{{"Closed", true}, {"Orientation", int(otUp)}} << QStringList();
    QTest::newRow("Label1") << "QLabel" << "BasePanel" << QRect(48, 117, 65, 17) << false << true
        << QVariantMap{{"alignment", int(Qt::AlignRight | Qt::AlignVCenter)}, {"text", "A5"}} << QStringList();
    QTest::newRow("BaseEdit") << "QLineEdit" << "BasePanel" << QRect(20, 55, 57, 21) << false << true
        << QVariantMap{{"text", "300"}} << QStringList();
    QTest::newRow("Label15") << "QLabel" << "ModePanel" << QRect(0, 24, 49, 17) << false << true
        << QVariantMap{{"alignment", int(Qt::AlignHCenter | Qt::AlignTop)}, {"text", "RS485"}} << QStringList();
    QTest::newRow("RS422JumperA") << "TTwoJumper" << "ModePanel" << QRect(80, 80, 16, 32) << false << true
        << QVariantMap{{"Closed", false}, {"Orientation", int(otLeft)}} << QStringList();
    QTest::newRow("RLDJumperB") << "TTwoJumper" << "ModePanel" << QRect(64, 80, 16, 32) << false << false
        << QVariantMap{{"Closed", false}, {"Orientation", int(otLeft)}} << QStringList();
    QTest::newRow("TLDJumperB") << "TTwoJumper" << "ModePanel" << QRect(48, 80, 16, 32) << false << false
        << QVariantMap{{"Closed", false}, {"Orientation", int(otLeft)}} << QStringList();
    QTest::newRow("Label11") << "QLabel" << "ModePanel" << QRect(80, 112, 41, 17) << false << true
        << QVariantMap{{"alignment", int(Qt::AlignLeft | Qt::AlignVCenter)}, {"text", "x422"}} << QStringList();
    QTest::newRow("Label12") << "QLabel" << "ModePanel" << QRect(48, 128, 49, 17) << false << true
        << QVariantMap{{"alignment", int(Qt::AlignHCenter | Qt::AlignVCenter)}, {"text", "xRLD"}} << QStringList();
    QTest::newRow("Label13") << "QLabel" << "ModePanel" << QRect(24, 112, 41, 17) << false << true
        << QVariantMap{{"alignment", int(Qt::AlignRight | Qt::AlignVCenter)}, {"text", "xTLD"}} << QStringList();
    QTest::newRow("RS485JumperA") << "TTwoJumper" << "ModePanel" << QRect(48, 16, 16, 32) << false << true
        << QVariantMap{{"Closed", true}, {"Orientation", int(otLeft)}} << QStringList();
    QTest::newRow("Label14") << "QLabel" << "ModePanel" << QRect(48, 48, 16, 17) << false << true
        << QVariantMap{{"alignment", int(Qt::AlignHCenter | Qt::AlignVCenter)}, {"text", "x"}} << QStringList();
    QTest::newRow("ModeCombo") << "QComboBox" << "ModePanel" << QRect(8, 144, 169, 21) << false << true
        << QVariantMap{} << QStringList{"RS-485", "RS-422"};
    QTest::newRow("RangeLabelBDU") << "QLabel" << "LoadPanel" << QRect(48, 128, 49, 17) << false << true
        << QVariantMap{{"alignment", int(Qt::AlignHCenter | Qt::AlignVCenter)}, {"text", "xRLD"}} << QStringList();
    QTest::newRow("Label2") << "QLabel" << "LoadPanel" << QRect(0, 24, 49, 17) << false << true
        << QVariantMap{{"alignment", int(Qt::AlignHCenter | Qt::AlignTop)}, {"text", "RS485"}} << QStringList();
    QTest::newRow("RS422JumperB") << "TTwoJumper" << "LoadPanel" << QRect(80, 80, 16, 32) << false << false
        << QVariantMap{{"Closed", false}, {"Orientation", int(otLeft)}} << QStringList();
    QTest::newRow("RLDJumperA") << "TTwoJumper" << "LoadPanel" << QRect(64, 80, 16, 32) << false << true
        << QVariantMap{{"Closed", false}, {"Orientation", int(otLeft)}} << QStringList();
    QTest::newRow("TLDJumperA") << "TTwoJumper" << "LoadPanel" << QRect(48, 80, 16, 32) << false << true
        << QVariantMap{{"Closed", false}, {"Orientation", int(otLeft)}} << QStringList();
    QTest::newRow("RangeLabelBD5") << "QLabel" << "LoadPanel" << QRect(80, 112, 41, 17) << false << true
        << QVariantMap{{"alignment", int(Qt::AlignLeft | Qt::AlignVCenter)}, {"text", "x422"}} << QStringList();
    QTest::newRow("RangeLabelBDB") << "QLabel" << "LoadPanel" << QRect(24, 112, 41, 17) << false << true
        << QVariantMap{{"alignment", int(Qt::AlignRight | Qt::AlignVCenter)}, {"text", "xTLD"}} << QStringList();
    QTest::newRow("RS485JumperB") << "TTwoJumper" << "LoadPanel" << QRect(48, 16, 16, 32) << false << false
        << QVariantMap{{"Closed", true}, {"Orientation", int(otLeft)}} << QStringList();
    QTest::newRow("RangeLabelACB") << "QLabel" << "LoadPanel" << QRect(48, 48, 16, 17) << false << true
        << QVariantMap{{"alignment", int(Qt::AlignHCenter | Qt::AlignVCenter)}, {"text", "x"}} << QStringList();
    QTest::newRow("LoadCombo") << "QComboBox" << "LoadPanel" << QRect(8, 144, 169, 21) << false << true
        << QVariantMap{} << QStringList{"No Termination", "Termination"};
    QTest::newRow("Label3") << "QLabel" << "COMBasePanel" << QRect(0, 22, 33, 21) << true << true
        << QVariantMap{{"alignment", int(Qt::AlignHCenter | Qt::AlignVCenter)}, {"text", "A"}} << QStringList();
    QTest::newRow("Label4") << "QLabel" << "COMBasePanel" << QRect(0, 48, 33, 21) << true << true
        << QVariantMap{{"alignment", int(Qt::AlignHCenter | Qt::AlignVCenter)}, {"text", "B"}} << QStringList();
    QTest::newRow("Label5") << "QLabel" << "COMBasePanel" << QRect(0, 74, 33, 21) << true << true
        << QVariantMap{{"alignment", int(Qt::AlignHCenter | Qt::AlignVCenter)}, {"text", "C"}} << QStringList();
    QTest::newRow("Label6") << "QLabel" << "COMBasePanel" << QRect(0, 100, 33, 21) << true << true
        << QVariantMap{{"alignment", int(Qt::AlignHCenter | Qt::AlignVCenter)}, {"text", "D"}} << QStringList();
    QTest::newRow("Label7") << "QLabel" << "COMBasePanel" << QRect(96, 22, 33, 21) << true << true
        << QVariantMap{{"alignment", int(Qt::AlignHCenter | Qt::AlignVCenter)}, {"text", "E"}} << QStringList();
    QTest::newRow("Label8") << "QLabel" << "COMBasePanel" << QRect(96, 48, 33, 21) << true << true
        << QVariantMap{{"alignment", int(Qt::AlignHCenter | Qt::AlignVCenter)}, {"text", "F"}} << QStringList();
    QTest::newRow("Label9") << "QLabel" << "COMBasePanel" << QRect(96, 74, 33, 21) << true << true
        << QVariantMap{{"alignment", int(Qt::AlignHCenter | Qt::AlignVCenter)}, {"text", "G"}} << QStringList();
    QTest::newRow("Label10") << "QLabel" << "COMBasePanel" << QRect(96, 100, 33, 21) << true << true
        << QVariantMap{{"alignment", int(Qt::AlignHCenter | Qt::AlignVCenter)}, {"text", "H"}} << QStringList();
    QTest::newRow("Label16") << "QLabel" << "COMBasePanel" << QRect(32, 4, 57, 17) << true << true
        << QVariantMap{{"alignment", int(Qt::AlignHCenter | Qt::AlignVCenter)}, {"text", "I/O Addr."}} << QStringList();
    QTest::newRow("Label18") << "QLabel" << "COMBasePanel" << QRect(120, 4, 57, 17) << true << true
        << QVariantMap{{"alignment", int(Qt::AlignHCenter | Qt::AlignVCenter)}, {"text", "I/O Addr."}} << QStringList();
    QTest::newRow("Label19") << "QLabel" << "COMBasePanel" << QRect(192, 4, 41, 17) << true << true
        << QVariantMap{{"alignment", int(Qt::AlignHCenter | Qt::AlignVCenter)}, {"text", "IRQ"}} << QStringList();
    QTest::newRow("BaseEditA") << "TEdit" << "COMBasePanel" << QRect(32, 22, 41, 21) << true << true
        << QVariantMap{{"readOnly", true}} << QStringList();
    QTest::newRow("BaseUDA") << "TUpDown" << "COMBasePanel" << QRect(72, 20, 15, 25) << true << true
        << QVariantMap{{"Min", 256}, {"Max", 1016}, {"Increment", 8}, {"Position", 256}} << QStringList();
    QTest::newRow("BaseEditB") << "TEdit" << "COMBasePanel" << QRect(32, 48, 41, 21) << true << true
        << QVariantMap{{"readOnly", true}} << QStringList();
    QTest::newRow("BaseUDB") << "TUpDown" << "COMBasePanel" << QRect(72, 46, 15, 25) << true << true
        << QVariantMap{{"Min", 256}, {"Max", 1016}, {"Increment", 8}, {"Position", 256}} << QStringList();
    QTest::newRow("BaseEditC") << "TEdit" << "COMBasePanel" << QRect(32, 74, 41, 21) << true << true
        << QVariantMap{{"readOnly", true}} << QStringList();
    QTest::newRow("BaseUDC") << "TUpDown" << "COMBasePanel" << QRect(72, 72, 15, 25) << true << true
        << QVariantMap{{"Min", 256}, {"Max", 1016}, {"Increment", 8}, {"Position", 256}} << QStringList();
    QTest::newRow("BaseEditD") << "TEdit" << "COMBasePanel" << QRect(32, 100, 41, 21) << true << true
        << QVariantMap{{"readOnly", true}} << QStringList();
    QTest::newRow("BaseUDD") << "TUpDown" << "COMBasePanel" << QRect(72, 98, 15, 25) << true << true
        << QVariantMap{{"Min", 256}, {"Max", 1016}, {"Increment", 8}, {"Position", 256}} << QStringList();
    QTest::newRow("BaseEditE") << "TEdit" << "COMBasePanel" << QRect(128, 22, 41, 21) << true << true
        << QVariantMap{{"readOnly", true}} << QStringList();
    QTest::newRow("BaseUDE") << "TUpDown" << "COMBasePanel" << QRect(168, 20, 15, 25) << true << true
        << QVariantMap{{"Min", 256}, {"Max", 1016}, {"Increment", 8}, {"Position", 256}} << QStringList();
    QTest::newRow("BaseEditF") << "TEdit" << "COMBasePanel" << QRect(128, 48, 41, 21) << true << true
        << QVariantMap{{"readOnly", true}} << QStringList();
    QTest::newRow("BaseUDF") << "TUpDown" << "COMBasePanel" << QRect(168, 46, 15, 25) << true << true
        << QVariantMap{{"Min", 256}, {"Max", 1016}, {"Increment", 8}, {"Position", 256}} << QStringList();
    QTest::newRow("BaseEditG") << "TEdit" << "COMBasePanel" << QRect(128, 74, 41, 21) << true << true
        << QVariantMap{{"readOnly", true}} << QStringList();
    QTest::newRow("BaseUDG") << "TUpDown" << "COMBasePanel" << QRect(168, 72, 15, 25) << true << true
        << QVariantMap{{"Min", 256}, {"Max", 1016}, {"Increment", 8}, {"Position", 256}} << QStringList();
    QTest::newRow("BaseEditH") << "TEdit" << "COMBasePanel" << QRect(128, 100, 41, 21) << true << true
        << QVariantMap{{"readOnly", true}} << QStringList();
    QTest::newRow("BaseUDH") << "TUpDown" << "COMBasePanel" << QRect(168, 98, 15, 25) << true << true
        << QVariantMap{{"Min", 256}, {"Max", 1016}, {"Increment", 8}, {"Position", 256}} << QStringList();
    QTest::newRow("IRQComboA") << "QComboBox" << "COMBasePanel" << QRect(192, 22, 41, 21) << true << true
        << QVariantMap{} << QStringList{"2", "3", "4", "5", "6", "7", "A", "B", "C", "F"};
    QTest::newRow("IRQComboB") << "QComboBox" << "COMBasePanel" << QRect(216, 72, 41, 21) << true << true
        << QVariantMap{} << QStringList{"2", "3", "4", "5", "6", "7", "A", "B", "C", "F"};
    QTest::newRow("IRQComboC") << "QComboBox" << "COMBasePanel" << QRect(216, 98, 41, 21) << true << true
        << QVariantMap{} << QStringList{"2", "3", "4", "5", "6", "7", "A", "B", "C", "F"};
    QTest::newRow("IRQComboD") << "QComboBox" << "COMBasePanel" << QRect(216, 132, 41, 21) << true << true
        << QVariantMap{} << QStringList{"2", "3", "4", "5", "6", "7", "A", "B", "C", "F"};
    QTest::newRow("IRQComboEFGH") << "QComboBox" << "COMBasePanel" << QRect(216, 46, 41, 21) << true << true
        << QVariantMap{} << QStringList{"2", "3", "4", "5", "6", "7", "A", "B", "C", "F"};
    QTest::newRow("Button1") << "QPushButton" << "COMBasePanel" << QRect(40, 56, 185, 25) << false << true
        << QVariantMap{{"text", "Configure Port Resources..."}} << QStringList();
    QTest::newRow("Button2") << "QPushButton" << "COMBasePanel" << QRect(40, 128, 185, 25) << true << true
        << QVariantMap{{"text", "Use These Resources"}} << QStringList();
    QTest::newRow("DFJumperA") << "TTwoJumper" << "DFPanel" << QRect(120, 40, 34, 18) << false << true
        << QVariantMap{{"Closed", false}, {"Orientation", int(otUp)}} << QStringList();
    QTest::newRow("BaseJumper9B") << "TTwoJumper" << "DFPanel" << QRect(120, 60, 34, 18) << false << false
        << QVariantMap{{"Closed", false}, {"Orientation", int(otUp)}} << QStringList();
    QTest::newRow("Label20") << "QLabel" << "DFPanel" << QRect(48, 41, 65, 17) << false << true
        << QVariantMap{{"alignment", int(Qt::AlignRight | Qt::AlignVCenter)}, {"text", "DF"}} << QStringList();
    QTest::newRow("Label21") << "QLabel" << "DFPanel" << QRect(48, 61, 65, 17) << false << true
        << QVariantMap{{"alignment", int(Qt::AlignRight | Qt::AlignVCenter)}, {"text", "A9"}} << QStringList();
    QTest::newRow("Label22") << "QLabel" << "DFPanel" << QRect(48, 81, 65, 17) << false << true
        << QVariantMap{{"alignment", int(Qt::AlignRight | Qt::AlignVCenter)}, {"text", "A8"}} << QStringList();
    QTest::newRow("BaseJumper8B") << "TTwoJumper" << "DFPanel" << QRect(120, 80, 34, 18) << false << false
        << QVariantMap{{"Closed", false}, {"Orientation", int(otUp)}} << QStringList();
    QTest::newRow("DFCombo") << "QComboBox" << "DFPanel" << QRect(8, 8, 169, 21) << false << true
        << QVariantMap{} << QStringList{"Enable Ports", "Disable Ports"};
    QTest::newRow("BaseHighlight") << "TBoardHighlight" << "BoardImage1" << QRect(309, 271, 33, 54) << false << true
        << QVariantMap{{"Title", "Control Base Address"}, {"HighlightType", int(htSettings)}, {"@RadioPanel", "BasePanel"}} << QStringList();
    QTest::newRow("ModeHighlight") << "TBoardHighlight" << "BoardImage1" << QRect(21, 64, 89, 33) << false << true
        << QVariantMap{{"Title", "Protocol/&Mode"}, {"HighlightType", int(htSettings)}, {"@RadioPanel", "ModePanel"}} << QStringList();
    QTest::newRow("LoadHighlight") << "TBoardHighlight" << "BoardImage1" << QRect(14, 208, 273, 33) << false << true
        << QVariantMap{{"Title", "Load"}, {"HighlightType", int(htSettings)}, {"@RadioPanel", "LoadPanel"}} << QStringList();
    QTest::newRow("ClockHighlight") << "TBoardHighlight" << "BoardImage1" << QRect(109, 64, 17, 33) << false << true
        << QVariantMap{{"Title", "Baud Clock Rate"}, {"HighlightType", int(htSettings)}, {"@RadioPanel", "ClockPanel"}} << QStringList();
    QTest::newRow("COMHighlight") << "TBoardHighlight" << "BoardImage1" << QRect(53, 344, 268, 55) << false << true
        << QVariantMap{{"Title", "Serial Connector"}, {"HighlightType", int(htOptions)}, {"@RadioPanel", "COMPanel"}} << QStringList();
    QTest::newRow("COMBaseHighlight") << "TBoardHighlight" << "BoardImage1" << QRect(150, 112, 96, 94) << false << true
        << QVariantMap{{"Title", "Port Resources"}, {"HighlightType", int(htSettings)}, {"@RadioPanel", "COMBasePanel"}} << QStringList();
    QTest::newRow("DFHighlight") << "TBoardHighlight" << "BoardImage1" << QRect(309, 255, 33, 17) << false << true
        << QVariantMap{{"Title", "Port &Disable"}, {"HighlightType", int(htSettings)}, {"@RadioPanel", "DFPanel"}} << QStringList();
}

void tst_MainWindow::designControls()
{
    // A control missing, of the wrong class, in the wrong place or state.
    QFETCH(QString, className);
    QFETCH(QString, parentName);
    QFETCH(QRect, geometry);
    QFETCH(bool, hidden);
    QFETCH(bool, enabled);
    QFETCH(QVariantMap, props);
    QFETCH(QStringList, items);

    SimulatedCard card;
    MessageRecorder boxes;
    TMainForm form;
    QWidget *w = widget(&form, QString::fromLatin1(QTest::currentDataTag()));
    QVERIFY(w);
    QCOMPARE(QString::fromLatin1(w->metaObject()->className()), className);
    QVERIFY(w->parentWidget());
    QCOMPARE(w->parentWidget()->objectName(), parentName);
    QCOMPARE(w->geometry(), geometry);
    QCOMPARE(w->isHidden(), hidden);
    QCOMPARE(w->isEnabled(), enabled);
    if (auto *label = qobject_cast<QLabel *>(w))
        QCOMPARE(label->font().pointSize(), 8);
    for (auto it = props.cbegin(); it != props.cend(); ++it) {
        if (it.key() == QLatin1String("@RadioPanel")) {
            auto *highlight = qobject_cast<TBoardHighlight *>(w);
            QVERIFY(highlight && highlight->RadioPanel());
            QCOMPARE(highlight->RadioPanel()->objectName(), it.value().toString());
            continue;
        }
        if (it.key() == QLatin1String("alignment")) {
            QCOMPARE(int(qobject_cast<QLabel *>(w)->alignment()), it.value().toInt());
            continue;
        }
        const QVariant actual = w->property(it.key().toLatin1().constData());
        QVERIFY2(actual.isValid(), qPrintable(it.key()));
        if (it.value().typeId() == QMetaType::Int)
            QCOMPARE(actual.toInt(), it.value().toInt());
        else
            QCOMPARE(actual, it.value());
    }
    if (auto *combo = qobject_cast<QComboBox *>(w)) {
        QStringList actual;
        for (int i = 0; i < combo->count(); ++i)
            actual << combo->itemText(i);
        QCOMPARE(actual, items);
        QVERIFY(!combo->isEditable());
    }
}

void tst_MainWindow::creationOrder_data()
{
    QTest::addColumn<QStringList>("children");
    QTest::newRow("centralwidget") << QStringList{ "BoardImage1", "ClockPanel", "BasePanel", "ModePanel", "COMPanel",
                                                   "LoadPanel", "COMBasePanel", "DFPanel" };
    QTest::newRow("BoardImage1") << QStringList{ "BaseHighlight", "ModeHighlight", "LoadHighlight", "ClockHighlight",
                                                 "COMHighlight", "COMBaseHighlight", "DFHighlight" };
    QTest::newRow("ClockPanel") << QStringList{ "InvertLabel", "ClockJumper", "ClockCombo" };
    QTest::newRow("BasePanel") << QStringList{ "DFJumperB", "BaseJumper9A", "BaseJumper8A", "BaseJumper7A",
                                               "BaseJumper6A", "BaseLabel5", "BaseLabel6", "BaseLabel7",
                                               "BaseLabel8", "BaseLabel9", "BaseLabelFeedback", "BaseJumper5A",
                                               "Label1", "BaseEdit" };
    QTest::newRow("ModePanel") << QStringList{ "Label15", "RS422JumperA", "RLDJumperB", "TLDJumperB", "Label11",
                                               "Label12", "Label13", "RS485JumperA", "Label14", "ModeCombo" };
    QTest::newRow("COMPanel") << QStringList();
    QTest::newRow("LoadPanel") << QStringList{ "RangeLabelBDU", "Label2", "RS422JumperB", "RLDJumperA", "TLDJumperA",
                                               "RangeLabelBD5", "RangeLabelBDB", "RS485JumperB", "RangeLabelACB",
                                               "LoadCombo" };
    QStringList grid{ "Label3", "Label4", "Label5", "Label6", "Label7", "Label8", "Label9", "Label10",
                      "Label16", "Label18", "Label19" };
    for (const char letter : QByteArray("ABCDEFGH"))
        grid << QStringLiteral("BaseEdit%1").arg(QLatin1Char(letter)) << QStringLiteral("BaseUD%1").arg(QLatin1Char(letter));
    grid << "IRQComboA" << "IRQComboB" << "IRQComboC" << "IRQComboD" << "IRQComboEFGH" << "Button1" << "Button2";
    QTest::newRow("COMBasePanel") << grid;
    QTest::newRow("DFPanel") << QStringList{ "DFJumperA", "BaseJumper9B", "Label20", "Label21", "Label22",
                                             "BaseJumper8B", "DFCombo" };
}

void tst_MainWindow::creationOrder()
{
    // Controls created in another order (the popups and menus follow it).
    QFETCH(QStringList, children);
    SimulatedCard card;
    MessageRecorder boxes;
    TMainForm form;
    QWidget *parent = widget(&form, QString::fromLatin1(QTest::currentDataTag()));
    QVERIFY(parent);
    QCOMPARE(directChildNames(parent), children);
}

void tst_MainWindow::panelTexts_data()
{
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("ClockPanel") << QStringList{
        "This jumper chooses between a standard baud clock and a high-speed baud clock." };
    QTest::newRow("BasePanel") << QStringList{
        "Enter the control base address(in hex) on the left, then set the card's control base address jumpers to "
        "match the ones on the right.",
        "",
        "If the card can't be set to that address, a similar address the card can be set to will appear below the "
        "invalid one, and the jumpers will be displayed for that address." };
    QTest::newRow("ModePanel") << QStringList{
        "The RS485 and x422 jumpers are used to select RS-485 or RS-422 operation. \"x\" is a port letter, A through "
        "H; make sure to set the protocol for each port." };
    QTest::newRow("COMPanel") << QStringList{ "Connector P2 contains all eight serial ports on the card." };
    QTest::newRow("LoadPanel") << QStringList{
        "The xTLD and xRLD jumpers are used to apply load to the balanced lines. \"x\" is a port letter, A through H; "
        "make sure to set the load for each port." };
    QTest::newRow("COMBasePanel") << QStringList{
        "The COM ports' base addresses and IRQs are set by this setup program. This involves some steps:",
        "",
        "- Set the card's various jumpers (including installing the DF jumper) with the other highlights in this "
        "setup program.",
        "",
        "- Shut down the stack, add the card, and start back up.",
        "",
        "- Re-run this setup program to configure these resources. Make sure the base address is set correctly in "
        "this setup program via the highlight in the lower right.",
        "",
        "- Shut down the stack, remove the DF jumper on the card, and start back up. Your card will then be ready "
        "for use!" };
    QTest::newRow("DFPanel") << QStringList{
        "This jumper disables the COM ports. With it installed, only the control registers are available. This is "
        "generally only useful during setup; see the Port Resources highlight (also available under the Settings "
        "menu) for the procedure involving the DF jumper." };
}

void tst_MainWindow::panelTexts()
{
    // A popup showing a wrong or truncated explanation.
    QFETCH(QStringList, lines);
    SimulatedCard card;
    MessageRecorder boxes;
    TMainForm form;
    auto *panel = child<TRadioPanel>(&form, QString::fromLatin1(QTest::currentDataTag()));
    QVERIFY(panel);
    QCOMPARE(panel->Lines(), lines);
    QVERIFY(!panel->RadioEnabled());
}

void tst_MainWindow::tabOrder()
{
    // Tab jumping through the panels' controls out of their designed order.
    SimulatedCard card;
    MessageRecorder boxes;
    TMainForm form;
    QStringList expected{ "ClockCombo", "LoadCombo", "BaseEdit", "ModeCombo" };
    for (const char letter : QByteArray("ABCDEFGH"))
        expected << QStringLiteral("BaseEdit%1").arg(QLatin1Char(letter)) << QStringLiteral("BaseUD%1").arg(QLatin1Char(letter));
    expected << "Button1" << "IRQComboA" << "IRQComboB" << "IRQComboC" << "IRQComboD" << "IRQComboEFGH" << "Button2"
             << "DFCombo";
    QWidget *start = widget(&form, "ClockCombo");
    QVERIFY(start);
    QStringList seen;
    QWidget *w = start;
    do {
        if (expected.contains(w->objectName()))
            seen << w->objectName();
        w = w->nextInFocusChain();
    } while (w && w != start);
    QCOMPARE(seen, expected);
}

void tst_MainWindow::windowAndReferences()
{
    // The window or the references a design file cannot hold set up wrongly.
    SimulatedCard card;
    MessageRecorder boxes;
    TMainForm form;
    QCOMPARE(form.objectName(), QStringLiteral("MainForm"));
    QCOMPARE(QString::fromLatin1(form.metaObject()->className()), QStringLiteral("TMainForm"));
    QCOMPARE(form.windowTitle(), QStringLiteral("Setup"));
    QWidget *client = form.centralWidget();
    QVERIFY(client);
    QVERIFY(client->autoFillBackground());
    QCOMPARE(client->palette().color(QPalette::Window), QColor(Qt::white));

    auto *board = child<TBoardImage>(&form, "BoardImage1");
    QVERIFY(board);
    QCOMPARE(board->First(), child<TBoardHighlight>(&form, "BaseHighlight"));
    QCOMPARE(board->Menu(), form.menuBar());
    QCOMPARE(board->maximumSize(), QSize(400, 400));
    QVERIFY(!board->AutoSize());
    QVERIFY(board->Stretch());
    QVERIFY(!board->Picture()->Empty());

    TSetupSupporter *sup = form.SetSup();
    QVERIFY(sup);
    QCOMPARE(sup->objectName(), QStringLiteral("SetSup"));
    QCOMPARE(sup->parent(), &form);
    QCOMPARE(sup->CompanyName(), QStringLiteral("VORTAN"));
    QCOMPARE(sup->CardNameA(), QStringLiteral("ZX-SER8"));
    QCOMPARE(sup->CardNameB(), QStringLiteral("ZX-BAL8"));
    QCOMPARE(sup->CallHow(), QStringLiteral("between 8 am and 5 pm Pacific Time at (619) 555-0134"));
    QVERIFY(sup->MultiPort());
    QVERIFY(sup->ChangeButtons());
    QVERIFY(!sup->UseCardNameB());
    QVERIFY(!sup->OnGetCardString);
    // The supporter's start-up work waits for the first idle moment.
    QVERIFY(TApplication::HasOnIdle());
}

void tst_MainWindow::menus()
{
    // Menus with wrong names or captions (the highlights and supporter find them by caption).
    SimulatedCard card;
    MessageRecorder boxes;
    TMainForm form;
    QMenuBar *bar = form.menuBar();
    QCOMPARE(bar->objectName(), QStringLiteral("MainMenu1"));
    QStringList tops, names;
    for (QAction *a : bar->actions()) {
        tops << a->text();
        names << (a->menu() ? a->menu()->objectName() : QString());
    }
    QCOMPARE(tops, (QStringList{ "&File", "&Help" }));
    QCOMPARE(names, (QStringList{ "File1", "Help1" }));
    const QList<QPair<QString, QStringList>> entries{
        { "File1", { "Exit2", "&Exit" } },
        { "Help1", { "Howtousethisprogram1", "H&ow to use this program", "TechnicalSupport1", "&Technical Support" } },
    };
    for (const auto &entry : entries) {
        auto *menu = child<QMenu>(&form, entry.first);
        QVERIFY(menu);
        QStringList actual;
        for (QAction *a : menu->actions()) {
            actual << a->objectName() << a->text();
            QCOMPARE(a->parent(), &form);
        }
        QCOMPARE(actual, entry.second);
    }
}

void tst_MainWindow::initialSelection()
{
    // A list left without its first item, or a handler run by the start-up selection.
    SimulatedCard card;
    MessageRecorder boxes;
    TMainForm form;
    for (const char *name : { "ModeCombo", "LoadCombo", "ClockCombo", "DFCombo" })
        QCOMPARE(child<QComboBox>(&form, name)->currentIndex(), 0);
    QCOMPARE(child<QComboBox>(&form, "LoadCombo")->count(), 2);
    QCOMPARE(child<QLineEdit>(&form, "BaseEdit")->text(), QStringLiteral("300"));
    QCOMPARE(child<QLabel>(&form, "BaseLabelFeedback")->text(), QString());
    QCOMPARE(card.Log.size(), 0);
}

void tst_MainWindow::driverCheck_data()
{
    QTest::addColumn<bool>("driverMissing");
    QTest::addColumn<quint16>("port61");
    QTest::addColumn<int>("answer");
    QTest::addColumn<int>("boxes");
    QTest::newRow("missing, OK") << true << quint16(0) << int(TMsgResult::Ok) << 1;
    QTest::newRow("missing, Cancel") << true << quint16(0) << int(TMsgResult::Cancel) << 1;
    QTest::newRow("present") << false << quint16(0x20) << int(TMsgResult::Ok) << 0;
    QTest::newRow("present, reads zero") << false << quint16(0x00) << int(TMsgResult::Ok) << 0;
    QTest::newRow("present, low byte of the mark") << false << quint16(0x55) << int(TMsgResult::Ok) << 0;
}

void tst_MainWindow::driverCheck()
{
    // A missing driver not reported, reported too often or too late, or a
    // Cancel that leaves the window in another state.
    QFETCH(bool, driverMissing);
    QFETCH(quint16, port61);
    QFETCH(int, answer);
    QFETCH(int, boxes);

    SimulatedCard card;
    card.DriverMissing = driverMissing;
    card.Port61 = port61;
    MessageRecorder recorder{ TMsgResult(answer) };
    bool windowShownDuringBox = false;
    recorder.whileOpen = [&](const TMessageRequest &) {
        for (QWidget *w : QApplication::topLevelWidgets())
            if (qobject_cast<TMainForm *>(w) && w->isVisible())
                windowShownDuringBox = true;
    };
    TMainForm form;
    QCOMPARE(recorder.count(), boxes);
    QCOMPARE(card.Reads, QList<quint16>{ 0x61 });
    if (boxes) {
        const TMessageRequest &box = recorder.last();
        QCOMPARE(box.Caption, QStringLiteral("Warning"));
        QCOMPARE(box.Text, DriverText);
        QCOMPARE(box.Buttons, TMsgButtons::OkCancel);
        QCOMPARE(box.Icon, TMsgIcon::None);
        QVERIFY(!windowShownDuringBox);
    }
    form.showMaximized();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QCOMPARE(recorder.count(), boxes);
    QVERIFY(form.isMaximized());
    QCOMPARE(child<QLineEdit>(&form, "BaseEdit")->text(), QStringLiteral("300"));
    // The handlers work whatever the answer was.
    child<TTwoJumper>(&form, "BaseJumper5A")->Click();
    QCOMPARE(child<QLineEdit>(&form, "BaseEdit")->text(), QStringLiteral("320"));
}

void tst_MainWindow::opensMaximisedWithFixedBorder()
{
    // A window that can be dragged to another size, or that is not centred when restored.
    SimulatedCard card;
    MessageRecorder boxes;
    TMainForm form;
    form.showMaximized();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QVERIFY(form.isMaximized());
    const QRect screen = form.screen()->availableGeometry();
    QTRY_COMPARE(form.frameGeometry(), screen);

    form.showNormal();
    QTRY_VERIFY(!form.isMaximized());
    QCOMPARE(form.minimumSize(), form.DesignSize());
    QCOMPARE(form.maximumSize(), form.DesignSize());
    QTRY_COMPARE(form.size(), form.DesignSize());
    QTRY_COMPARE(form.centralWidget()->size(), QSize(804, 589));
    QTRY_VERIFY(qAbs(form.frameGeometry().center().x() - screen.center().x()) <= 1);
    QVERIFY(qAbs(form.frameGeometry().center().y() - screen.center().y()) <= 1);
    form.resize(form.width() + 50, form.height() + 40);
    QCOMPARE(form.size(), form.DesignSize());
}

void tst_MainWindow::closingEndsProgram_data()
{
    QTest::addColumn<bool>("byMenu");
    QTest::newRow("File, Exit") << true;
    QTest::newRow("close box") << false;
}

void tst_MainWindow::closingEndsProgram()
{
    // Closing the window leaving the program running.
    QFETCH(bool, byMenu);
    SimulatedCard card;
    MessageRecorder boxes;
    TMainForm form;
    form.showMaximized();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QAction *exit = child<QAction>(&form, "Exit2");
    QVERIFY(exit);
    QTimer::singleShot(0, &form, [&] {
        if (byMenu)
            exit->trigger();
        else
            form.close();
    });
    QTimer::singleShot(5000, qApp, [] { QCoreApplication::exit(1); });
    QCOMPARE(QCoreApplication::exec(), 0);
    QVERIFY(!form.isVisible());
}

void tst_MainWindow::helpMenuShowsSupporterWindows()
{
    // Help entries that do nothing, or crash before the supporter's windows exist.
    SimulatedCard card;
    MessageRecorder boxes;
    TMainForm form;
    QAction *howTo = child<QAction>(&form, "Howtousethisprogram1");
    QAction *support = child<QAction>(&form, "TechnicalSupport1");
    howTo->trigger();
    support->trigger();
    TSetupSupporter *sup = form.SetSup();
    // Idle moments before the window is on screen (a modal box's loop) build nothing.
    emit QAbstractEventDispatcher::instance()->aboutToBlock();
    QVERIFY(!sup->HelpForm());
    QVERIFY(TApplication::HasOnIdle());
    // The first idle moment of the running program builds them.
    form.showMaximized();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    emit QAbstractEventDispatcher::instance()->aboutToBlock();
    if (!sup->HelpForm() || !sup->TechForm())
        QSKIP("the supporter does not build its windows yet");
    sup->HelpForm()->hide();
    howTo->trigger();
    QVERIFY(sup->HelpForm()->isVisible());
    QVERIFY(!sup->TechForm()->isVisible());
    support->trigger();
    QVERIFY(sup->TechForm()->isVisible());
}

void tst_MainWindow::upDownChanges_data()
{
    QTest::addColumn<int>("start");
    QTest::addColumn<QString>("action");
    QTest::addColumn<int>("value");
    QTest::addColumn<bool>("allow");
    QTest::addColumn<int>("announced");
    QTest::addColumn<int>("newValue");
    QTest::addColumn<int>("direction");
    QTest::addColumn<int>("position");
    // Range 256 .. 1016, step 8, as on the port grid.
    QTest::newRow("up arrow") << 256 << "up" << 0 << true << 1 << 264 << int(updUp) << 264;
    QTest::newRow("down arrow") << 512 << "down" << 0 << true << 1 << 504 << int(updDown) << 504;
    QTest::newRow("down arrow at Min proposes beyond it") << 256 << "down" << 0 << true << 1 << 248 << int(updDown) << 256;
    QTest::newRow("up arrow at Max proposes beyond it") << 1016 << "up" << 0 << true << 1 << 1024 << int(updUp) << 1016;
    QTest::newRow("refused arrow") << 256 << "up" << 0 << false << 1 << 264 << int(updUp) << 256;
    QTest::newRow("set from code") << 256 << "set" << 512 << true << 1 << 512 << int(updNone) << 512;
    QTest::newRow("set below the range") << 512 << "set" << 0 << true << 1 << 256 << int(updNone) << 256;
    QTest::newRow("set above the range") << 256 << "set" << 2040 << true << 1 << 1016 << int(updNone) << 1016;
    QTest::newRow("set to the same value") << 512 << "set" << 512 << true << 0 << 0 << 0 << 512;
    QTest::newRow("set beyond the limit it stands at") << 1016 << "set" << 1100 << true << 0 << 0 << 0 << 1016;
    QTest::newRow("refused set") << 256 << "set" << 512 << false << 1 << 512 << int(updNone) << 256;
}

void tst_MainWindow::upDownChanges()
{
    // Position leaving its range, wrapping, or a change not announced first.
    QFETCH(int, start);
    QFETCH(QString, action);
    QFETCH(int, value);
    QFETCH(bool, allow);
    QFETCH(int, announced);
    QFETCH(int, newValue);
    QFETCH(int, direction);
    QFETCH(int, position);

    TUpDown ud;
    ud.setMin(256);
    ud.setMax(1016);
    ud.setIncrement(8);
    ud.setPosition(start);
    QCOMPARE(ud.Position(), start);
    int count = 0;
    int seenValue = 0, seenDirection = 0, positionDuringSignal = -1;
    connect(&ud, &TUpDown::OnChangingEx, this, [&](bool &allowChange, short nv, TUpDownDirection dir) {
        ++count;
        seenValue = nv;
        seenDirection = dir;
        positionDuringSignal = ud.Position();
        allowChange = allow;
    });
    if (action == QLatin1String("set"))
        ud.setPosition(value);
    else
        ud.Step(action == QLatin1String("up") ? updUp : updDown);
    QCOMPARE(count, announced);
    if (announced) {
        QCOMPARE(seenValue, newValue);
        QCOMPARE(seenDirection, direction);
        QCOMPARE(positionDuringSignal, start);
    }
    QCOMPARE(ud.Position(), position);
}

void tst_MainWindow::upDownArrowsByMouse_data()
{
    QTest::addColumn<bool>("upperHalf");
    QTest::addColumn<int>("position");
    QTest::newRow("upper arrow") << true << 264;
    QTest::newRow("lower arrow") << false << 256;
}

void tst_MainWindow::upDownArrowsByMouse()
{
    // Arrow halves swapped, or a click that does not step.
    QFETCH(bool, upperHalf);
    QFETCH(int, position);
    QWidget window;
    window.resize(60, 60);
    auto *ud = new TUpDown(&window);
    ud->setGeometry(10, 10, 15, 25);
    ud->setMin(256);
    ud->setMax(1016);
    ud->setIncrement(8);
    ud->setPosition(upperHalf ? 256 : 264);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    int count = 0;
    connect(ud, &TUpDown::OnChangingEx, this, [&](bool &, short, TUpDownDirection) { ++count; });
    QTest::mouseClick(ud, Qt::LeftButton, {}, QPoint(7, upperHalf ? 4 : 20));
    QCOMPARE(count, 1);
    QCOMPARE(ud->Position(), position);
    QTest::mouseClick(ud, Qt::RightButton, {}, QPoint(7, 4));
    QCOMPARE(count, 1);
}

void tst_MainWindow::editReportsKeysFirst_data()
{
    QTest::addColumn<bool>("swallow");
    QTest::addColumn<QString>("text");
    QTest::newRow("key passed on") << false << "a";
    QTest::newRow("key swallowed") << true << "";
}

void tst_MainWindow::editReportsKeysFirst()
{
    // A key reported after the edit already acted on it, or swallowed when it should not be.
    QFETCH(bool, swallow);
    QFETCH(QString, text);
    TEdit edit;
    int count = 0;
    QString textDuringSignal = QStringLiteral("unset");
    int key = 0;
    connect(&edit, &TEdit::OnKeyDown, this, [&](int &Key, Qt::KeyboardModifiers) {
        ++count;
        key = Key;
        textDuringSignal = edit.text();
        if (swallow)
            Key = 0;
    });
    QTest::keyClick(&edit, Qt::Key_A);
    QCOMPARE(count, 1);
    QCOMPARE(key, int(Qt::Key_A));
    QCOMPARE(textDuringSignal, QString());
    QCOMPARE(edit.text(), text);
}

ZX_TEST_MAIN(tst_MainWindow)
#include "tst_mainwindow.moc"
