#include "io/SIOStream.h"

SIOStream::~SIOStream() = default;
