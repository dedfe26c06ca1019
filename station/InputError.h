// Bad input or usage, found before anything goes to the controller: a kind
// of TError that the companion tells apart by its exit status.
#pragma once

#include "common/Error.h"

class TInputError : public TError
{
public:
    using TError::TError;
};
