// Drops entries from the WinINet URL cache that the browser control uses.
#pragma once

// Deletes every cache entry whose source URL contains pattern, ignoring
// case. False when not even the first entry could be read; true once the
// walk has started, whatever happens later.
bool CleanUrlCache(const wchar_t* pattern);
