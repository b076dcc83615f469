#pragma once

// True when the caller acts with the rights of the built-in Administrators group:
// an access check of the thread's token, so that an administrator's restricted
// (not elevated) token does not pass.
bool IsAdministrator();
