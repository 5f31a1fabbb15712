#pragma once

#include "crop/BookFollowing.h"

#include <QString>
#include <memory>

class Picture;
class RunReport;

// The scan a crop run follows the book from: the one on screen as the run starts or, with none
// on screen then, the first one the run loads. Both crop tabs keep one.
class FollowedReference {
public:
    // A run starts; it follows the book when `follow`. Any earlier reference is let go.
    void start(bool follow) {
        reference_.reset();
        pending_ = follow;
    }
    // True while the run follows the book, taken or still to be taken.
    bool following() const { return reference_ || pending_; }
    // The reference, taken now from the scan on screen (`screen`) if it is still to be taken and
    // a scan is there (its rectangles lie on the canvas of the turn `degrees`), with a line in
    // `log` naming `file`. Null when the run does not follow the book.
    std::shared_ptr<const BookReference> take(const Picture& screen, double degrees, bool spread,
                                              RunReport& log, const QString& file);

private:
    std::shared_ptr<const BookReference> reference_;
    bool pending_ = false;
};
