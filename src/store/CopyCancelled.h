#pragma once

#include "store/StoreError.h"

// A copy stopped on request before it was done (BackupManager): nothing of it is left in the
// backup folder, and there is nothing to tell the user.
class CopyCancelled : public StoreError {
public:
    using StoreError::StoreError;
};
