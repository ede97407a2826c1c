#pragma once

#include <QColor>
#include <QFont>
#include <QString>

namespace parvolind::ui {

/// The program's blue-grey palette.
namespace palette {
inline const QColor kFrameLine{158, 168, 178};      ///< lines, borders, bar gradient start
inline const QColor kRowTint{238, 241, 247};        ///< every second row of the job list
inline const QColor kPanelBack{200, 212, 226};      ///< panel backgrounds and title bars
inline const QColor kButtonFace{227, 233, 240};     ///< flat buttons, bar background
inline const QColor kButtonPressed{216, 223, 233};  ///< a flat button held down
inline const QColor kTitleText{45, 62, 88};         ///< headings on the panels
inline const QColor kText{32, 38, 46};              ///< ordinary text
inline const QColor kSkinDark{72, 96, 128};         ///< the skin's frame and title band
inline const QColor kSkinLight{226, 233, 242};      ///< the skin's body
inline const QColor kAccent{88, 122, 167};          ///< links, lit areas
inline const QColor kVersion{65, 90, 122};          ///< the information window's version
}  // namespace palette

/// Makes the Tahoma faces of Debian's fonts-wine known to the application when they are
/// installed. Call once after the QApplication exists.
void LoadApplicationFonts();

/// The window font at a pixel size: Tahoma where it is installed, otherwise a sans-serif
/// face at the same pixel size.
QFont WindowFont(int pixel_size = 11, bool bold = false);

}  // namespace parvolind::ui
