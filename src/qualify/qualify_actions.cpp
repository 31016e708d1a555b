#include "qualify_actions.h"

namespace kvt {

void AddQualifyActions(QMenu*, QWidget*, Session&, std::function<QString()>) {}

}  // namespace kvt
