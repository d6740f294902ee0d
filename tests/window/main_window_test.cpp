// The window built from the form definition, on the offscreen platform: every
// control's kind, pixels, caption, font and stacking, the client area, the Tab
// chain, and what PropertyPut does to the real widgets.
#include "window/main_window.h"

#include <QApplication>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTest>
#include <climits>
#include <memory>

#include "shell/property_put.h"
#include "window/qt_controls.h"
#include "form/tab_order.h"
#include "tests/window/window_support.h"

using console::ControlDefinition;
using console::ControlKind;
using console::mainForm;
using console::MainWindow;
using console::Property;
using window_test::pixelsAt96;

namespace {

QString captionOf(const QWidget* widget) {
  if (auto* button = qobject_cast<const QPushButton*>(widget)) return button->text();
  if (auto* label = qobject_cast<const QLabel*>(widget)) return label->text();
  if (auto* edit = qobject_cast<const QLineEdit*>(widget)) return edit->text();
  if (auto* frame = qobject_cast<const QGroupBox*>(widget)) return frame->title();
  return QStringLiteral("<unknown widget>");
}

bool hasKind(const QWidget* widget, ControlKind kind) {
  switch (kind) {
    case ControlKind::CommandButton:
      return qobject_cast<const QPushButton*>(widget) != nullptr;
    case ControlKind::Label:
      return qobject_cast<const QLabel*>(widget) != nullptr;
    case ControlKind::TextBox:
      return qobject_cast<const QLineEdit*>(widget) != nullptr;
    case ControlKind::GroupFrame:
      return qobject_cast<const QGroupBox*>(widget) != nullptr;
  }
  return false;
}

// The width a widget has for its caption: where the style draws a button's label,
// or a label's contents rectangle.
QRect captionArea(QWidget* widget) {
  if (auto* button = qobject_cast<QPushButton*>(widget)) {
    QStyleOptionButton option;
    option.initFrom(button);
    option.text = button->text();
    return button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button);
  }
  return widget->contentsRect();
}

void addControlRows(bool (*include)(const ControlDefinition&)) {
  QTest::addColumn<QString>("name");
  for (const ControlDefinition& c : mainForm().controls) {
    if (include(c)) QTest::newRow(c.name.data()) << QString(c.name.data());
  }
}

const ControlDefinition& definitionOf(const QString& name) {
  return *mainForm().find(name.toLatin1().constData());
}

}  // namespace

class MainWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    window_ = std::make_unique<MainWindow>(mainForm());
    window_->showPainted();
    QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
  }
  void cleanup() { window_.reset(); }

  void screenIsAt96DotsPerInch() {
    QCOMPARE(window_->logicalDpiX(), 96);
    QCOMPARE(window_->logicalDpiY(), 96);
  }

  void controlMatchesDefinition_data() {
    addControlRows([](const ControlDefinition&) { return true; });
  }
  void controlMatchesDefinition() {
    QFETCH(QString, name);
    const ControlDefinition& c = definitionOf(name);
    QWidget* widget = window_->widget(c.name);
    QVERIFY(widget != nullptr);
    QCOMPARE(widget->parentWidget(), window_.get());
    QVERIFY(hasKind(widget, c.kind));
    QCOMPARE(widget->geometry(), pixelsAt96(c.rect));
    QCOMPARE(captionOf(widget), QString::fromLatin1(c.caption.data(), c.caption.size()));
    QVERIFY(widget->isVisible());
    QVERIFY(widget->isEnabled());
  }

  void kindsBehaveAsTheFormSays() {
    for (const ControlDefinition& c : mainForm().controls) {
      QWidget* widget = window_->widget(c.name);
      if (auto* button = qobject_cast<QPushButton*>(widget)) {
        QVERIFY2(!button->isDefault() && !button->autoDefault(), c.name.data());
      }
      if (auto* label = qobject_cast<QLabel*>(widget)) {
        QCOMPARE(label->focusPolicy(), Qt::NoFocus);
        QCOMPARE(label->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignLeft);
        QCOMPARE(label->frameShadow() == QFrame::Sunken && label->frameWidth() > 0, c.sunkenBorder);
      }
      if (auto* frame = qobject_cast<QGroupBox*>(widget)) {
        QCOMPARE(frame->focusPolicy(), Qt::NoFocus);
        QVERIFY(!frame->isCheckable());
      }
      if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
        QVERIFY(edit->hasFrame());
        QVERIFY(!edit->isReadOnly());
        QCOMPARE(edit->echoMode(), QLineEdit::Normal);
      }
    }
  }

  // Siblings later in the child list are drawn over earlier ones.
  void stackingFollowsTheDefinition() {
    std::vector<std::pair<int, int>> rankAndPlace;
    const QObjectList children = window_->children();
    for (const ControlDefinition& c : mainForm().controls) {
      rankAndPlace.emplace_back(c.stackRank, children.indexOf(window_->widget(c.name)));
    }
    std::sort(rankAndPlace.begin(), rankAndPlace.end());
    for (std::size_t i = 1; i < rankAndPlace.size(); ++i) {
      QVERIFY(rankAndPlace[i - 1].second < rankAndPlace[i].second);
    }
  }

  void topmostAtItsMiddle_data() {
    addControlRows([](const ControlDefinition& c) { return c.kind != ControlKind::GroupFrame; });
  }
  // What lies on top at a control's middle: the control itself, except for the
  // tiny CmCommand1, which "ABRIR TIQUE" covers.
  void topmostAtItsMiddle() {
    QFETCH(QString, name);
    const QByteArray latin = name.toLatin1();
    QWidget* expected = window_->widget(name == "CmCommand1" ? "CmCommand3" : latin.constData());
    QCOMPARE(window_->childAt(window_test::middleOf(*window_, latin.constData())), expected);
  }

  void framesCanBeReachedWhereNothingCoversThem() {
    for (const auto* frame : window_test::controlsOfKind(ControlKind::GroupFrame)) {
      QVERIFY2(window_test::exposedPointOf(*window_, frame->name.data()) != QPoint(-1, -1),
               frame->name.data());
    }
  }

  void windowHasTheFormsTitlePlaceAndSize() {
    QCOMPARE(window_->windowTitle(), QStringLiteral("Test FP900 (FISCAL)"));
    QCOMPARE(window_->size(), QSize(865, 379));
    QVERIFY(window_->width() >= 846 && window_->height() >= 378);
    const Qt::WindowFlags flags = window_->windowFlags();
    QVERIFY(flags & Qt::WindowTitleHint);
    QVERIFY(flags & Qt::WindowSystemMenuHint);
    QVERIFY(flags & Qt::WindowMinimizeButtonHint);
    QVERIFY(flags & Qt::WindowMaximizeButtonHint);
  }

  // The suite's screen is 1024 x 768 (small_screen.json): at the stored place
  // (407, 205) the right third would be off it, so the window moves left.
  void windowOpensWhollyOnASmallScreen() {
    const QRect screen = window_->screen()->availableGeometry();
    QCOMPARE(screen.size(), QSize(1024, 768));
    QVERIFY(screen.contains(window_->frameGeometry()));
    QCOMPARE(window_->frameGeometry().right(), screen.right());
    QCOMPARE(window_->pos().y(), 205);
  }

  void nothingMovesOnResize_data() {
    QTest::addColumn<QSize>("size");
    QTest::newRow("smaller") << QSize(300, 150);
    QTest::newRow("larger") << QSize(1200, 700);
  }
  void nothingMovesOnResize() {
    QFETCH(QSize, size);
    window_->resize(size);
    QCoreApplication::processEvents();
    QCOMPARE(window_->size(), size);
    for (const ControlDefinition& c : mainForm().controls) {
      QCOMPARE(window_->widget(c.name)->geometry(), pixelsAt96(c.rect));
    }
  }

  void fontIsRequestedByNameAndFallsBack() {
    for (const ControlDefinition& c : mainForm().controls) {
      const QFont font = window_->widget(c.name)->font();
      QCOMPARE(font.family(), QStringLiteral("MS Sans Serif"));
      QCOMPARE(font.pointSizeF(), 8.25);
      QCOMPARE(font.weight(), QFont::Normal);
      QVERIFY(!font.italic() && !font.underline() && !font.strikeOut());
      const QFontInfo resolved(font);
      QCOMPARE(resolved.family(), QString::fromLatin1(console::kFallbackFontFamily));
      QCOMPARE(resolved.pixelSize(), 11);  // 8.25 points at 96 dots per inch
    }
  }

  void captionFitsItsControl_data() {
    addControlRows([](const ControlDefinition& c) {
      const bool shows = c.kind == ControlKind::CommandButton || c.kind == ControlKind::Label;
      return shows && !c.caption.empty() && c.name != "CmCommand1";
    });
  }
  void captionFitsItsControl() {
    QFETCH(QString, name);
    QWidget* widget = window_->widget(name.toLatin1().constData());
    const QFontMetrics metrics(widget->font());
    const QRect area = captionArea(widget);
    const QString caption = captionOf(widget);
    QVERIFY2(metrics.horizontalAdvance(caption) <= area.width(),
             qPrintable(QStringLiteral("%1 px of text in %2 px")
                            .arg(metrics.horizontalAdvance(caption))
                            .arg(area.width())));
    QVERIFY(metrics.height() <= area.height());
  }

  void tabVisitsControlsInTabOrderAndWrapsAround() {
    window_->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window_.get()));
    QCOMPARE(QApplication::focusWidget(), window_->widget(mainForm().initialFocus));
    auto order = console::tabOrder(mainForm());
    // The initial focus is the last in the chain, so Tab starts again at the top.
    QCOMPARE(order.back()->name, mainForm().initialFocus);
    for (const ControlDefinition* expected : order) {
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
      QCOMPARE(QApplication::focusWidget(), window_->widget(expected->name));
    }
  }

  // Position p of the table reaches the p-th control of the form, position 0 the form.
  void controlTableFollowsIdentifierOrder() {
    const console::ControlTable& table = window_->controls();
    QCOMPARE(console::PropertyPut(table, 0, Property::Caption, "form"), 0);
    QCOMPARE(window_->windowTitle(), QStringLiteral("form"));
    int position = 1;
    for (const ControlDefinition& c : mainForm().controls) {
      const Property property = c.kind == ControlKind::TextBox ? Property::Text : Property::Caption;
      const std::string text = "P" + std::to_string(position);
      QCOMPARE(console::PropertyPut(table, position, property, text), 0);
      QCOMPARE(captionOf(window_->widget(c.name)), QString::fromStdString(text));
      ++position;
    }
    QVERIFY(table.at(console::ControlTable::kSize) == nullptr);
  }

  void putOfAMissingPropertyOrTypeChangesNothing_data() {
    QTest::addColumn<int>("position");
    QTest::addColumn<int>("property");
    QTest::addColumn<quint32>("valueType");
    QTest::addColumn<int>("expected");
    const int caption = static_cast<int>(Property::Caption);
    const int text = static_cast<int>(Property::Text);
    QTest::newRow("Text of label ESTADO")
        << 31 << text << console::kNumberValueType << console::kMemberNotFound;
    QTest::newRow("Caption of text box")
        << 13 << caption << console::kTextValueType << console::kMemberNotFound;
    QTest::newRow("Text of a button")
        << 2 << text << console::kTextValueType << console::kMemberNotFound;
    QTest::newRow("unknown value type") << 31 << caption << 0x02014003u << console::kTypeMismatch;
  }
  void putOfAMissingPropertyOrTypeChangesNothing() {
    QFETCH(int, position);
    QFETCH(int, property);
    QFETCH(quint32, valueType);
    QFETCH(int, expected);
    QWidget* widget =
        window_->widget(mainForm().controls[static_cast<std::size_t>(position - 1)].name);
    const QString before = captionOf(widget);
    const std::int64_t value = console::numericValue(5);
    console::Control* control = window_->controls().at(position);
    QCOMPARE(control->put(static_cast<Property>(property), valueType, &value), expected);
    QCOMPARE(captionOf(widget), before);
  }

  void numbersShowAsPlainDecimal_data() {
    QTest::addColumn<int>("position");
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("shown");
    for (int position : {console::ControlTable::kEstado, console::ControlTable::kCm1,
                         console::ControlTable::kCm2}) {
      const QByteArray at = QByteArray::number(position);
      QTest::newRow(at + " zero") << position << 0 << "0";
      QTest::newRow(at + " negative") << position << -1 << "-1";
      QTest::newRow(at + " no grouping") << position << 1234567 << "1234567";
      QTest::newRow(at + " no leading zeros") << position << 10 << "10";
      QTest::newRow(at + " largest") << position << INT_MAX << "2147483647";
      QTest::newRow(at + " smallest") << position << INT_MIN << "-2147483648";
    }
    QTest::newRow("text box") << console::ControlTable::kComunicacion << -42 << "-42";
  }
  void numbersShowAsPlainDecimal() {
    QFETCH(int, position);
    QFETCH(int, number);
    QFETCH(QString, shown);
    const Property property =
        position == console::ControlTable::kComunicacion ? Property::Text : Property::Caption;
    QCOMPARE(console::PropertyPut(window_->controls(), position, property, number), 0);
    QCOMPARE(captionOf(displayWidget(position)), shown);
  }

  void textsShowWithoutTrailingSpaces_data() {
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("shown");
    const int box = console::ControlTable::kComunicacion;
    const int estado = console::ControlTable::kEstado;
    QTest::newRow("message") << box << "Puerto Ok"
                             << "Puerto Ok";
    QTest::newRow("trailing spaces") << box << "Puerto Ok   "
                                     << "Puerto Ok";
    QTest::newRow("leading spaces kept") << box << "  x"
                                         << "  x";
    QTest::newRow("inner spaces kept") << box << "a  b"
                                       << "a  b";
    QTest::newRow("only spaces") << box << "   "
                                 << "";
    QTest::newRow("empty") << box << ""
                           << "";
    QTest::newRow("label") << estado << "Fiscal  "
                           << "Fiscal";
    QTest::newRow("8-bit character")
        << estado << QString::fromLatin1("Devoluci\xf3n") << QString::fromLatin1("Devoluci\xf3n");
  }
  void textsShowWithoutTrailingSpaces() {
    QFETCH(int, position);
    QFETCH(QString, text);
    QFETCH(QString, shown);
    const Property property =
        position == console::ControlTable::kComunicacion ? Property::Text : Property::Caption;
    const QByteArray bytes = text.toLatin1();
    const std::string_view view(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    QCOMPARE(console::PropertyPut(window_->controls(), position, property, view), 0);
    QCOMPARE(captionOf(displayWidget(position)), shown);
  }

 private:
  QWidget* displayWidget(int position) const {
    return window_->widget(mainForm().controls[static_cast<std::size_t>(position - 1)].name);
  }

  std::unique_ptr<MainWindow> window_;
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
