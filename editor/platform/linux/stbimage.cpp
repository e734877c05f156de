// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// stb_image's decoders, compiled here without their thread-local state:
// thread-local storage in a module that a host loads late is set up lazily for
// every thread that touches it, which leak checkers' thread walks trip over.
// The editor decodes on its user-interface thread only.
#define STBI_NO_THREAD_LOCALS
#define STB_IMAGE_IMPLEMENTATION
#include <stb_image.h>
