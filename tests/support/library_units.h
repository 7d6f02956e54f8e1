// The library's internal units the tests reach directly, all in one place:
// the bounded reader and writer, the two exchanges with the manager, the
// printers' bounded entry points, the decoders' shared indent and the
// summary of one logged record. Everything else is reached through the
// public header and the stand-in platform; a test that needs another
// internal unit names it here.
#pragma once

#include "cli/exchange.h"
#include "common/be_reader.h"
#include "decode/decode_common.h"
#include "history/summary_record.h"
#include "print/printers.h"
