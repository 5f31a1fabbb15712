#include "crop/FollowedReference.h"

#include "crop/RunReport.h"
#include "image/Picture.h"

std::shared_ptr<const BookReference> FollowedReference::take(const Picture& screen, double degrees,
                                                             bool spread, RunReport& log,
                                                             const QString& file) {
    if (pending_ && screen.HasImage()) {
        pending_ = false;
        reference_ =
            std::make_shared<const BookReference>(bookReference(screen.image(), degrees, spread));
        log.appendLine(QStringLiteral("Se sigue el libro de la imagen %1").arg(file));
    }
    return reference_;
}
