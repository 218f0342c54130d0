#pragma once
// The window's pictures, drawn in code: the tool-bar image list (29 images of
// 16 x 16), the frames of the title animation, the transfer window's three
// pictures, the program icon and the About box's small picture.
#include <QList>
#include <QObject>
#include <QPixmap>


class QPainter;

namespace porv {

// ImageList1 of the window. Images used: 0 cut, 1 copy, 2 paste, 6 new,
// 7 open, 8 save, 15 parameters, 16 phone list, 18 events, 27 RFID, and the
// Log On lamp: 20 logging off (amber), 21 on line (green), 22 off line (dark
// red, unlit).
class ImageList : public QObject {
    Q_OBJECT
public:
    static constexpr int Count = 29;
    static constexpr int LampLoggingOff = 20, LampOnLine = 21, LampOffLine = 22;

    explicit ImageList(QObject *parent = nullptr);
    int count() const { return int(m_images.size()); }
    QPixmap image(int index) const;

private:
    QList<QPixmap> m_images;
};

// Frames of the title animation (33 x 32): the unit sending, waves growing.
QList<QPixmap> AnimationFrames();
// The transfer window's pictures (256 x 64): the unit at the left, a PC at
// the right, a row of ones and zeros between them at `stage` 0 (near the
// unit), 1 (middle) or 2 (near the PC).
QPixmap TransferPicture(int stage);
// The program's icon, 32 x 32. PaintProgramIcon draws it on a 32 x 32
// canvas (scale the painter for other sizes); the installed icon files were
// made from it.
QPixmap ProgramIcon();
void PaintProgramIcon(QPainter &g);
// The About box's small picture, 70 x 16.
QPixmap ProductPicture();

} // namespace porv
