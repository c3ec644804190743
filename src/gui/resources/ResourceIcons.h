#pragma once

#include <QIcon>
#include <QPixmap>
#include <QString>

namespace brivanta {

// Icons drawn for this program, kept as SVG in the resources and keyed by their ids.
QIcon resourceIcon(int id);
// Icons without a number: "mail", "web", "busy".
QIcon resourceIcon(const QString& name);
// The image a toolbar shows for a command.
QIcon commandIcon(int commandId);
// Bitmap 135 at its own size (the login background), or scaled to `size`.
QPixmap backgroundBitmap();
QPixmap backgroundBitmap(const QSize& size);

}  // namespace brivanta
