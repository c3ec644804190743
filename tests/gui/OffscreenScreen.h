#pragma once

#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>

namespace brivanta::test {

// Gives the offscreen platform a screen of `width` × `height` device pixels (its own is
// 800×800) through the platform's configuration file. Made before the application, kept
// until it has started; elsewhere than offscreen it does nothing.
class OffscreenScreen {
  public:
    OffscreenScreen(int width, int height) {
        if (qgetenv("QT_QPA_PLATFORM") != "offscreen" || !dir_.isValid())
            return;
        QFile config(dir_.filePath(QStringLiteral("screen.json")));
        if (!config.open(QIODevice::WriteOnly))
            return;
        config.write(R"({"screens": [{"name": "screen", "x": 0, "y": 0, "width": )" +
                     QByteArray::number(width) + R"(, "height": )" + QByteArray::number(height) +
                     R"(, "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})");
        config.close();
        qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + config.fileName().toLocal8Bit());
    }

  private:
    QTemporaryDir dir_;
};

}  // namespace brivanta::test
