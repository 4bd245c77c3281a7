#pragma once

// Every system this runs on is newer than the oldest one the library once had to tell apart.
constexpr bool IsWindows2000OrLater()
{
    return true;
}
