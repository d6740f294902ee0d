// The form definition checked against the rules its layout must keep: controls in
// identifier order, frames that really enclose what they claim to, a stacking
// order with the frames at the back, and a Tab order that reads like a page.
#include <QTest>
#include <algorithm>
#include <set>
#include <string>

#include "form/control_reference.h"
#include "form/main_form.h"
#include "form/tab_order.h"
#include "shell/control_table.h"

using console::ControlDefinition;
using console::ControlKind;
using console::mainForm;

namespace {

const ControlDefinition& control(const char* name) {
  const ControlDefinition* found = mainForm().find(name);
  if (found == nullptr) qFatal("no control %s", name);
  return *found;
}

int tabIndex(const std::vector<const ControlDefinition*>& order, const ControlDefinition* c) {
  const auto it = std::find(order.begin(), order.end(), c);
  return it == order.end() ? -1 : static_cast<int>(it - order.begin());
}

}  // namespace

class FormDefinitionTest : public QObject {
  Q_OBJECT

 private slots:
  void identifiersAscendWithinTheFormsRange() {
    const auto& form = mainForm();
    QCOMPARE(form.controls.size(), std::size_t{33});
    std::uint32_t previous = form.id;
    for (const ControlDefinition& c : form.controls) {
      QVERIFY2(c.id > previous, c.name.data());
      QVERIFY2(c.id >= 0x07000007 && c.id <= 0x07000031, c.name.data());
      previous = c.id;
    }
  }

  void namesAreUnique() {
    std::set<std::string_view> names;
    for (const ControlDefinition& c : mainForm().controls) {
      QVERIFY2(names.insert(c.name).second, c.name.data());
    }
  }

  void stackRanksPutTheFramesAtTheBack() {
    std::vector<int> ranks;
    int highestFrame = -1;
    int lowestOther = 1000;
    for (const ControlDefinition& c : mainForm().controls) {
      ranks.push_back(c.stackRank);
      if (c.kind == ControlKind::GroupFrame) {
        highestFrame = std::max(highestFrame, c.stackRank);
      } else {
        lowestOther = std::min(lowestOther, c.stackRank);
      }
    }
    std::sort(ranks.begin(), ranks.end());
    for (std::size_t i = 0; i < ranks.size(); ++i) QCOMPARE(ranks[i], static_cast<int>(i));
    QVERIFY(highestFrame < lowestOther);
  }

  void enclosingFrameMatchesGeometry_data() {
    QTest::addColumn<QString>("name");
    for (const ControlDefinition& c : mainForm().controls) {
      if (c.kind != ControlKind::GroupFrame) QTest::newRow(c.name.data()) << QString(c.name.data());
    }
  }
  // A control lists a frame exactly when the frame's rectangle holds it.
  void enclosingFrameMatchesGeometry() {
    QFETCH(QString, name);
    const ControlDefinition& c = control(name.toLatin1().constData());
    for (const ControlDefinition& frame : mainForm().controls) {
      if (frame.kind != ControlKind::GroupFrame) continue;
      const bool listed = c.frame == frame.name;
      QCOMPARE(frame.rect.contains(c.rect), listed);
    }
    if (!c.frame.empty()) {
      QVERIFY(mainForm().find(c.frame) != nullptr);
      QCOMPARE(mainForm().find(c.frame)->kind, ControlKind::GroupFrame);
    }
  }

  void clientAreaHoldsEveryControl() {
    console::TwipRect bounds{0, 0, 0, 0};
    for (const ControlDefinition& control : mainForm().controls) {
      bounds.width = std::max(bounds.width, control.rect.right());
      bounds.height = std::max(bounds.height, control.rect.bottom());
    }
    QCOMPARE(bounds.width, 12690);
    QCOMPARE(bounds.height, 5670);
    QVERIFY(mainForm().rect.width >= bounds.width);
    QVERIFY(mainForm().rect.height >= bounds.height);
  }

  // Only CmCommand1 is hidden, and it is hidden by "ABRIR TIQUE".
  void onlyTheTinyButtonIsCovered() {
    for (const ControlDefinition& c : mainForm().controls) {
      const ControlDefinition* cover = console::coveringControl(mainForm(), c);
      if (c.name == "CmCommand1") {
        QVERIFY(cover != nullptr);
        QCOMPARE(cover->name, std::string_view("CmCommand3"));
      } else {
        QVERIFY2(cover == nullptr, c.name.data());
      }
    }
  }

  void tabOrderHoldsTheVisibleButtonsAndTheTextBoxOnce() {
    const auto order = console::tabOrder(mainForm());
    std::set<const ControlDefinition*> expected;
    for (const ControlDefinition& c : mainForm().controls) {
      const bool visibleButton = c.kind == ControlKind::CommandButton && c.name != "CmCommand1";
      if (visibleButton || c.kind == ControlKind::TextBox) expected.insert(&c);
    }
    QCOMPARE(std::set<const ControlDefinition*>(order.begin(), order.end()), expected);
    QCOMPARE(order.size(), expected.size());
  }

  // Reading order: a control wholly below another comes after it; controls whose
  // tops are level within a quarter of a button come left to right.
  void tabOrderReadsTopToBottomLeftToRight() {
    const auto order = console::tabOrder(mainForm());
    for (const ControlDefinition* a : order) {
      for (const ControlDefinition* b : order) {
        if (b->rect.top >= a->rect.bottom()) {
          QVERIFY2(tabIndex(order, a) < tabIndex(order, b), (a->name.data()));
        }
        if (std::abs(a->rect.top - b->rect.top) <= 105 && a->rect.left < b->rect.left) {
          QVERIFY2(tabIndex(order, a) < tabIndex(order, b), (a->name.data()));
        }
      }
    }
  }

  // Captions that differ from their neighbours in one character only.
  void captionsKeepTheirExactSpelling_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");
    QTest::newRow("no space before (A)") << "CmCommand19"
                                         << "CANCELA FACTURA(A)";
    QTest::newRow("space before (A), open") << "CmCommand18"
                                            << "ABRIR FACTURA (A)";
    QTest::newRow("space before (A), close") << "CmCommand21"
                                             << "CERRAR FACTURA (A)";
    QTest::newRow("ticket payment") << "CmCommand12"
                                    << "Pago";
    QTest::newRow("invoice payment") << "CmCommand22"
                                     << "PAGO";
    QTest::newRow("no accent, ticket") << "CmStatic1"
                                       << "Devolucion de item";
    QTest::newRow("no accent, invoice") << "CmStatic3"
                                        << "Devolucion de item";
    QTest::newRow("status button") << "CmCommand14"
                                   << "ESTADO";
    QTest::newRow("error code label starts empty") << "ESTADO"
                                                   << "";
    QTest::newRow("hidden button") << "CmCommand1"
                                   << "CmCommand1";
  }
  void captionsKeepTheirExactSpelling() {
    QFETCH(QString, name);
    QFETCH(QString, caption);
    const ControlDefinition& c = control(name.toLatin1().constData());
    QCOMPARE(QString::fromLatin1(c.caption.data(), static_cast<qsizetype>(c.caption.size())),
             caption);
  }

  // The control table positions the procedures use land on the display controls.
  void procedurePositionsReachTheDisplayControls_data() {
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("kind");
    QTest::newRow("message box") << console::ControlTable::kComunicacion << "CmCOMUNICACION"
                                 << int(ControlKind::TextBox);
    QTest::newRow("printer status")
        << console::ControlTable::kCm1 << "Cm1" << int(ControlKind::Label);
    QTest::newRow("fiscal status")
        << console::ControlTable::kCm2 << "Cm2" << int(ControlKind::Label);
    QTest::newRow("error code") << console::ControlTable::kEstado << "ESTADO"
                                << int(ControlKind::Label);
  }
  void procedurePositionsReachTheDisplayControls() {
    QFETCH(int, position);
    QFETCH(QString, name);
    QFETCH(int, kind);
    QCOMPARE(console::ControlTable::kSize, static_cast<int>(mainForm().controls.size()) + 1);
    const ControlDefinition& c = mainForm().controls[static_cast<std::size_t>(position - 1)];
    QCOMPARE(QString::fromLatin1(c.name.data(), static_cast<qsizetype>(c.name.size())), name);
    QCOMPARE(int(c.kind), kind);
    QVERIFY(c.caption.empty());
  }

  // Every control with a caption is reached by FRAME/CAPTION, so a rig can name
  // each control by what the window shows; none hides another in its frame.
  void everyCaptionIsReachedWithinItsFrame() {
    for (const ControlDefinition& c : mainForm().controls) {
      const std::string reference = console::captionReference(mainForm(), c);
      const console::ControlLookup found = console::findControl(mainForm(), reference);
      QVERIFY2(found.control == &c, (reference + ": " + found.why).c_str());
    }
  }

  // How references resolve: names first, a caption alone only when one control
  // shows it, FRAME/CAPTION within that frame (the form's name outside every
  // frame); a refusal names what to write instead.
  void referencesFindOneControlOrSayWhyNot() {
    using Failure = console::ControlLookup::Failure;
    const struct {
      const char* reference;
      const char* control;  // found, or nullptr
      Failure failure;
      const char* why;  // part of the refusal
    } cases[] = {
        {"CmCommand13", "CmCommand13", Failure::kNone, ""},
        {"ABRIR CAJON1", "CmCommand13", Failure::kNone, ""},
        {"CANCELA TIQUE", "CmCommand6", Failure::kNone, ""},
        {"ESTADO", "ESTADO", Failure::kNone, ""},  // the name, not the button's caption
        {"CmFrame1/ESTADO", "CmCommand14", Failure::kNone, ""},
        {"CmFrame3/ITEM +", "CmCommand5", Failure::kNone, ""},
        {"MainForm/ITEM +", "CmCommand20", Failure::kNone, ""},
        {"CmFrame3/Devolucion de item", "CmStatic1", Failure::kNone, ""},
        {"MainForm/Devolucion de item", "CmStatic3", Failure::kNone, ""},
        {"CmFrame3/CmCommand5", "CmCommand5", Failure::kNone, ""},
        {"Pago", "CmCommand12", Failure::kNone, ""},  // captions match exactly: PAGO differs
        {"ITEM +", nullptr, Failure::kAmbiguous,
         "CmFrame3/ITEM + (CmCommand5) or MainForm/ITEM + (CmCommand20)"},
        {"Devolucion de item", nullptr, Failure::kAmbiguous,
         "CmFrame3/Devolucion de item (CmStatic1) or MainForm/Devolucion de item (CmStatic3)"},
        {"CmFrame4/ITEM +", nullptr, Failure::kUnknown, "no control is named or captioned"},
        {"CmStatic1/ITEM +", nullptr, Failure::kUnknown, "'CmStatic1/ITEM +'"},
        {"pago", nullptr, Failure::kUnknown, "'pago'"},
        {"", nullptr, Failure::kUnknown, "''"},
    };
    for (const auto& c : cases) {
      const console::ControlLookup found = console::findControl(mainForm(), c.reference);
      QCOMPARE(int(found.failure), int(c.failure));
      QCOMPARE(found.control, c.control == nullptr ? nullptr : &control(c.control));
      QVERIFY2(found.why.find(c.why) != std::string::npos, found.why.c_str());
    }
  }

  void initialFocusTakesTheFocus() {
    const ControlDefinition* focus = mainForm().find(mainForm().initialFocus);
    QVERIFY(focus != nullptr);
    QVERIFY(console::takesFocus(mainForm(), *focus));
  }
};

QTEST_APPLESS_MAIN(FormDefinitionTest)
#include "form_definition_test.moc"
