# SPDX-License-Identifier: GPL-3.0-or-later
# The three tube parameter editors: one component parameterised by TubeClass.
target_sources(anodix_windows PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/tubeeditor.h
    ${CMAKE_CURRENT_LIST_DIR}/tubeeditor.cpp
)
