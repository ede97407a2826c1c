#pragma once

#include <QString>
#include <QUrl>

#include "ui/skin/skinned_window.h"

class QLabel;

namespace parvolind::ui {

class LinkButton;

/// The version label's text for a version of up to four parts: "v" and the four parts
/// separated by points; missing parts read 0 ("1.2" gives v1.2.0.0, nothing gives
/// v0.0.0.0).
QString VersionText(const QString& four_part);

/// `TFormInfo`: the small "about" card with the maker's name, the program's version and a
/// link to the product page. Created once and hidden; Show() brings it up (or to the
/// front), a click anywhere on it except the link hides it again.
class TFormInfo : public SkinnedWindow {
  Q_OBJECT

 public:
  /// The product page the link leads to.
  static constexpr const char* kProductPage = "https://orbelt.example/parvolind";

  /// `version` is the program's version in up to four parts ("1.0.0.2").
  explicit TFormInfo(const QString& version, QWidget* parent = nullptr);

  /// Shows the window centred the first time; when it is shown already, brings it to the
  /// front. There is only ever this one window.
  void Show();

  QLabel& VersionLabel() { return *version_; }
  LinkButton& ProductLink() { return *link_; }

 signals:
  /// The link was clicked; the owner opens the page (in the user's browser).
  void LinkActivated(const QUrl& url);

 protected:
  void PaintSkin(QPainter& painter) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  QLabel* version_;
  LinkButton* link_;
};

}  // namespace parvolind::ui
