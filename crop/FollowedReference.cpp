#include "crop/FollowedReference.h"

#include "app/ImageBox.h"
#include "app/ProgressList.h"

std::shared_ptr<const BookReference> FollowedReference::take(const ImageBox& screen, double degrees,
                                                             bool spread, ProgressList& list,
                                                             const QString& file) {
    if (pending_ && screen.HasImage()) {
        pending_ = false;
        reference_ = std::make_shared<const BookReference>(
            bookReference(screen.picture().image(), degrees, spread));
        list.appendLine(QStringLiteral("Se sigue el libro de la imagen %1").arg(file));
    }
    return reference_;
}
