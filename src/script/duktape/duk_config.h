/*
 * Duktape build configuration for the script control: the packaged defaults (copied into the
 * build tree as duk_config_packaged.h) plus the execution timeout check, so that a script that
 * runs too long can be stopped from the host. The check is answered by the engine wrapper.
 */
#if !defined(QUILLON_DUK_CONFIG_H)
#define QUILLON_DUK_CONFIG_H

#include "duk_config_packaged.h"

#if defined(__cplusplus)
extern "C" {
#endif
/* Non-zero once the running call's deadline has passed; udata is the heap's user data. */
int quillon_duk_exec_timeout(void *udata);
#if defined(__cplusplus)
}
#endif

#define DUK_USE_INTERRUPT_COUNTER
#define DUK_USE_EXEC_TIMEOUT_CHECK(udata) quillon_duk_exec_timeout((udata))

#endif /* QUILLON_DUK_CONFIG_H */
