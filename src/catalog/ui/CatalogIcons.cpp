#include "catalog/ui/CatalogIcons.h"

#include "app/ui/MessageService.h"
#include "app/ui/UiText.h"
#include "catalog/CatalogFiles.h"
#include "resources/StringIds.h"

#include <QIcon>
#include <QImageReader>
#include <QLabel>
#include <QPixmap>

namespace qar::ui
{

void ShowIconFile(QLabel* picture, const std::string& path)
{
    // Read afresh every time: the file may have just been replaced under the same name.
    QIcon icon;
    QImageReader reader(fromAnsi(path));
    do {
        const QImage image = reader.read();
        if (!image.isNull()) {
            icon.addPixmap(QPixmap::fromImage(image));
        }
    } while (reader.jumpToNextImage());
    picture->setPixmap(icon.isNull() ? QPixmap() : icon.pixmap(32, 32));
}

bool ChooseIconFile(QWidget* parent, const std::string& target)
{
    const QString chosen = MessageService::instance().getOpenFileName(
        parent, text(str::kIconDialogTitle), fromAnsi(IconLibraryPath()), text(str::kIconDialogFilter));
    if (chosen.isEmpty()) {
        return false;
    }
    const std::string path = toAnsi(chosen);
    if (const int refused = CheckIconFile(path); refused != 0) {
        MessageService::instance().error(parent, refused);
        return false;
    }
    if (!InstallIcon(path, target)) {
        MessageService::instance().error(parent, formatText(str::kCatalogIconCopyFailed, {fromAnsi(target)}));
        return false;
    }
    return true;
}

} // namespace qar::ui
