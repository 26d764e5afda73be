#include "capture/CaptureSession.h"

namespace titrelle {

void CaptureSession::Restart() {
  lineCount_ = 0;
  pendingSeek_ = false;
  editMode_ = false;
}

}  // namespace titrelle
