#include "ui/toolkit/accessible_kind.h"

#include <QAbstractButton>
#include <QAccessibleWidget>
#include <QLabel>
#include <QVariant>

namespace parvolind::ui {
namespace {

constexpr char kKindProperty[] = "parvolindAccessibleKind";

// A link: pressing it is its one action.
class LinkAccessible : public QAccessibleWidget {
 public:
  explicit LinkAccessible(QWidget* widget) : QAccessibleWidget(widget, QAccessible::Link) {}

  QStringList actionNames() const override { return {pressAction()}; }

  void doAction(const QString& action_name) override {
    auto* button = qobject_cast<QAbstractButton*>(widget());
    if (action_name == pressAction() && button != nullptr && button->isEnabled()) {
      button->click();
    }
  }
};

// A label whose name says what it shows and whose text is its value: read as text,
// as screen readers read labels, and as the accessible value.
class TextValueAccessible : public QAccessibleWidget, public QAccessibleTextInterface {
 public:
  explicit TextValueAccessible(QWidget* widget)
      : QAccessibleWidget(widget, QAccessible::StaticText) {}

  QString text(QAccessible::Text kind) const override {
    if (kind == QAccessible::Value) return Text();
    return QAccessibleWidget::text(kind);
  }

  void* interface_cast(QAccessible::InterfaceType type) override {
    if (type == QAccessible::TextInterface) return static_cast<QAccessibleTextInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
  }

  // QAccessibleTextInterface: the whole text, nothing selectable.
  void selection(int, int* start, int* end) const override { *start = *end = 0; }
  int selectionCount() const override { return 0; }
  void addSelection(int, int) override {}
  void removeSelection(int) override {}
  void setSelection(int, int, int) override {}
  int cursorPosition() const override { return 0; }
  void setCursorPosition(int) override {}
  QString text(int start, int end) const override { return Text().mid(start, end - start); }
  int characterCount() const override { return static_cast<int>(Text().size()); }
  QRect characterRect(int) const override { return {}; }
  int offsetAtPoint(const QPoint&) const override { return -1; }
  void scrollToSubstring(int, int) override {}
  QString attributes(int, int* start, int* end) const override {
    *start = 0;
    *end = characterCount();
    return {};
  }

 private:
  QString Text() const {
    const auto* label = qobject_cast<const QLabel*>(widget());
    return label != nullptr ? label->text() : QString();
  }
};

QAccessibleInterface* ProgramInterface(const QString&, QObject* object) {
  if (object == nullptr || !object->isWidgetType()) return nullptr;
  const QVariant kind = object->property(kKindProperty);
  if (!kind.isValid()) return nullptr;
  auto* widget = static_cast<QWidget*>(object);
  switch (static_cast<AccessibleKind>(kind.toInt())) {
    case AccessibleKind::kFrame:
      return new QAccessibleWidget(widget, QAccessible::Window);
    case AccessibleKind::kDialog:
      return new QAccessibleWidget(widget, QAccessible::Dialog);
    case AccessibleKind::kLink:
      return new LinkAccessible(widget);
    case AccessibleKind::kTextValue:
      return new TextValueAccessible(widget);
  }
  return nullptr;
}

}  // namespace

void SetAccessibleKind(QWidget* widget, AccessibleKind kind) {
  // Qt keeps one list of interface factories per process; ours goes in once.
  static const bool installed = [] {
    QAccessible::installFactory(&ProgramInterface);
    return true;
  }();
  static_cast<void>(installed);
  widget->setProperty(kKindProperty, static_cast<int>(kind));
}

}  // namespace parvolind::ui
