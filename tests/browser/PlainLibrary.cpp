// SPDX-License-Identifier: GPL-3.0-or-later
// A shared library that is no Qt plugin at all, to stand in for a damaged browser module.
extern "C" int miravoPlainLibraryAnswer()
{
    return 42;
}
