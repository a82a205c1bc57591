// The named icons and the application icon, from the interpreter's resources.
#include "interpreter/ui/qt/widgets.h"

#include <QFile>

#include <map>

namespace zrv::ui::qt {

QImage iconImage(const std::string& rawName) {
    static std::map<std::string, QImage> cache;
    QString name = QString::fromLatin1(rawName.c_str()).toUpper();
    if (name == "#31234")
        name = "APPLICATION";
    std::string key = name.toStdString();
    if (auto it = cache.find(key); it != cache.end())
        return it->second;
    // A name that matches no icon shows no icon (a null image).
    QString path = ":/icons/" + name + ".png";
    QImage image;
    if (!name.contains('/') && QFile::exists(path))
        image.load(path);
    cache[key] = image;
    return image;
}

} // namespace zrv::ui::qt
