// The DXF group codes Gradix reads and writes, named once. A code means
// different things in different objects; each meaning gets its own name
// (code 3 of an MTEXT is additional text, of a STYLE the font file).
#pragma once

namespace gradix::dxfcode {

// A point's y code is its x code + POINT_Y_OFFSET, its z code + POINT_Z_OFFSET.
inline constexpr int POINT_Y_OFFSET = 10;
inline constexpr int POINT_Z_OFFSET = 20;

// Fixed meanings.
inline constexpr int TYPE = 0;                // object type, section and table markers
inline constexpr int PRIMARY_TEXT = 1;        // TEXT, MTEXT, ATTRIB value; header string values
inline constexpr int NAME = 2;                // section, table, entry, block name; attribute tag
inline constexpr int HANDLE = 5;
inline constexpr int LINETYPE = 6;
inline constexpr int TEXT_STYLE = 7;
inline constexpr int LAYER = 8;
inline constexpr int VARIABLE = 9;            // a header variable's name
inline constexpr int X = 10;                  // the primary point
inline constexpr int Y = 20;
inline constexpr int Z = 30;
inline constexpr int X2 = 11;                 // the second point (also a direction or an axis)
inline constexpr int Y2 = 21;
inline constexpr int Z2 = 31;
inline constexpr int X3 = 12;                 // the third point
inline constexpr int Y3 = 22;
inline constexpr int Z3 = 32;
inline constexpr int ELEVATION = 38;          // LWPOLYLINE
inline constexpr int COLOR = 62;              // ACI colour; negative on a layer that is off
inline constexpr int ENTITIES_FOLLOW = 66;    // POLYLINE vertices / INSERT attributes follow
inline constexpr int PAPER_SPACE = 67;        // 1: the entity is in paper space
inline constexpr int FLAGS = 70;
inline constexpr int SUBCLASS = 100;
inline constexpr int EMBEDDED_OBJECT = 101;   // an ATTRIB's embedded MTEXT follows
inline constexpr int CONTROL_GROUP = 102;     // "{ACAD_REACTORS" ... "}"
inline constexpr int DIMSTYLE_HANDLE = 105;   // the handle of a DIMSTYLE entry
inline constexpr int EXTRUSION_Z = 230;
inline constexpr int OWNER = 330;
inline constexpr int LINEWEIGHT = 370;
inline constexpr int PLOT_STYLE = 390;
inline constexpr int TRUE_COLOR = 420;        // 0x00RRGGBB
inline constexpr int COMMENT = 999;
inline constexpr int FIRST_XDATA = 1000;      // extended data: codes 1000 and above
inline constexpr int OWNER_SOFT = 340;        // a soft pointer (a layout, a default entry)
inline constexpr int OWNED_ENTRY = 350;       // a soft owner pointer (a dictionary's entry)

// Extended data (XDATA), after an entity's own pairs.
inline constexpr int XDATA_STRING = 1000;
inline constexpr int XDATA_APPLICATION = 1001;  // the registered application the data that follows belongs to
inline constexpr int XDATA_POINT_X = 1010;      // a point: 1010, 1020, 1030
inline constexpr int XDATA_POINT_Y = 1020;
inline constexpr int XDATA_POINT_Z = 1030;

// Header variables (after a code 9 name).
inline constexpr int HEADER_HANDSEED = 5;
inline constexpr int HEADER_INTEGER = 70;     // $INSUNITS
inline constexpr int HEADER_VERSION = 1;      // $ACADVER
inline constexpr int HEADER_CODE_PAGE = 3;    // $DWGCODEPAGE
inline constexpr int HEADER_LAYER = 8;        // $CLAYER
inline constexpr int HEADER_TEXT_STYLE = 7;   // $TEXTSTYLE
inline constexpr int HEADER_POINT = 10;       // $INSBASE, $EXTMIN, $EXTMAX: 10, 20, 30

// CLASS entries of the CLASSES section.
inline constexpr int CLASS_DXF_NAME = 1;
inline constexpr int CLASS_CPP_NAME = 2;
inline constexpr int CLASS_APPLICATION = 3;
inline constexpr int CLASS_PROXY_FLAGS = 90;
inline constexpr int CLASS_WAS_PROXY = 280;
inline constexpr int CLASS_IS_ENTITY = 281;

// Tables.
inline constexpr int TABLE_COUNT = 70;        // the entry count after 0/TABLE
inline constexpr int LAYER_FROZEN_FLAG = 1;   // bit of FLAGS
inline constexpr int STYLE_FIXED_HEIGHT = 40;
inline constexpr int STYLE_WIDTH_FACTOR = 41;
inline constexpr int STYLE_OBLIQUE_ANGLE = 50;
inline constexpr int STYLE_GENERATION = 71;
inline constexpr int STYLE_LAST_HEIGHT = 42;
inline constexpr int STYLE_FONT_FILE = 3;
inline constexpr int STYLE_BIG_FONT_FILE = 4;
inline constexpr int UCS_ORIGIN = 10;         // 10, 20, 30
inline constexpr int UCS_X_AXIS = 11;         // 11, 21, 31
inline constexpr int UCS_Y_AXIS = 12;         // 12, 22, 32
inline constexpr int UCS_ORTHOGRAPHIC = 79;
inline constexpr int UCS_ELEVATION = 146;
inline constexpr int VPORT_LOWER_LEFT = 10;   // 10, 20
inline constexpr int VPORT_UPPER_RIGHT = 11;  // 11, 21
inline constexpr int LTYPE_DESCRIPTION = 3;
inline constexpr int LTYPE_ALIGNMENT = 72;    // always 65 ('A')
inline constexpr int LTYPE_ELEMENT_COUNT = 73;
inline constexpr int LTYPE_PATTERN_LENGTH = 40;
inline constexpr int DIMSTYLE_TABLE_HANDLES = 71;  // the DIMSTYLE table's count of entries by handle
inline constexpr int BLOCK_RECORD_LAYOUT = 340;

// Blocks.
inline constexpr int BLOCK_BASE_POINT = 10;   // 10, 20, 30
inline constexpr int BLOCK_NAME_AGAIN = 3;    // the block's name once more
inline constexpr int BLOCK_XREF_PATH = 1;

// Objects: dictionaries, the multi-line style, layouts and their plot settings.
inline constexpr int DICTIONARY_CLONING = 281;   // duplicate record cloning flag
inline constexpr int DICTIONARY_ENTRY_NAME = 3;  // followed by its OWNED_ENTRY
inline constexpr int DICTIONARY_DEFAULT = 340;   // ACDBDICTIONARYWDFLT: the default entry
inline constexpr int MLINESTYLE_DESCRIPTION = 3;
inline constexpr int MLINESTYLE_FILL_COLOR = 62;
inline constexpr int MLINESTYLE_START_ANGLE = 51;
inline constexpr int MLINESTYLE_END_ANGLE = 52;
inline constexpr int MLINESTYLE_ELEMENTS = 71;
inline constexpr int MLINESTYLE_ELEMENT_OFFSET = 49;  // each element: offset, colour (62), line type (6)
inline constexpr int PLOT_PAGE_SETUP = 1;
inline constexpr int PLOT_DEVICE = 2;
inline constexpr int PLOT_PAPER = 4;
inline constexpr int PLOT_VIEW = 6;
inline constexpr int PLOT_STYLE_SHEET = 7;
inline constexpr int PLOT_MARGIN_FIRST = 40;      // 40..49: margins, paper size, origin, window corner
inline constexpr int PLOT_MARGIN_LAST = 49;
inline constexpr int PLOT_WINDOW_UPPER_X = 140;   // and 141 its y
inline constexpr int PLOT_WINDOW_UPPER_Y = 141;
inline constexpr int PLOT_SCALE_NUMERATOR = 142;
inline constexpr int PLOT_SCALE_DENOMINATOR = 143;
inline constexpr int PLOT_FLAGS = 70;
inline constexpr int PLOT_PAPER_UNITS = 72;
inline constexpr int PLOT_ROTATION = 73;
inline constexpr int PLOT_TYPE = 74;
inline constexpr int PLOT_STANDARD_SCALE = 75;
inline constexpr int PLOT_SCALE_FACTOR = 147;
inline constexpr int PLOT_IMAGE_ORIGIN_X = 148;
inline constexpr int PLOT_IMAGE_ORIGIN_Y = 149;
inline constexpr int LAYOUT_NAME = 1;
inline constexpr int LAYOUT_FLAGS = 70;
inline constexpr int LAYOUT_TAB_ORDER = 71;
inline constexpr int LAYOUT_LIMITS_MIN = 10;      // 10, 20
inline constexpr int LAYOUT_LIMITS_MAX = 11;      // 11, 21
inline constexpr int LAYOUT_INSERTION_BASE = 12;  // 12, 22, 32
inline constexpr int LAYOUT_EXTENTS_MIN = 14;     // 14, 24, 34
inline constexpr int LAYOUT_EXTENTS_MAX = 15;     // 15, 25, 35
inline constexpr int LAYOUT_ELEVATION = 146;
inline constexpr int LAYOUT_UCS_ORIGIN = 13;      // 13, 23, 33
inline constexpr int LAYOUT_UCS_X_AXIS = 16;      // 16, 26, 36
inline constexpr int LAYOUT_UCS_Y_AXIS = 17;      // 17, 27, 37
inline constexpr int LAYOUT_UCS_ORTHOGRAPHIC = 76;

// Entities.
inline constexpr int START = 10;              // LINE start, TEXT insertion point: 10, 20, 30
inline constexpr int END = 11;                // LINE end, TEXT alignment point: 11, 21, 31
inline constexpr int RADIUS = 40;             // ARC, CIRCLE
inline constexpr int START_ANGLE = 50;        // ARC, degrees
inline constexpr int END_ANGLE = 51;          // ARC, degrees
inline constexpr int ROTATION = 50;           // TEXT, MTEXT, INSERT, ATTRIB, degrees
inline constexpr int TEXT_HEIGHT = 40;        // TEXT, MTEXT, ATTRIB
inline constexpr int TEXT_WIDTH_FACTOR = 41;  // TEXT, ATTRIB
inline constexpr int TEXT_H_ALIGN = 72;       // TEXT, ATTRIB
inline constexpr int TEXT_V_ALIGN = 73;       // TEXT
inline constexpr int ATTRIB_V_ALIGN = 74;     // ATTRIB (its code 73 is the field length)
inline constexpr int ATTRIB_INVISIBLE_FLAG = 1;  // bit of FLAGS of an ATTRIB
inline constexpr int MTEXT_ADDITIONAL_TEXT = 3;  // the text beyond code 1's piece, in order before it
inline constexpr int MTEXT_REFERENCE_WIDTH = 41;
inline constexpr int MTEXT_ATTACHMENT = 71;
inline constexpr int MTEXT_DRAWING_DIRECTION = 72;
inline constexpr int BULGE = 42;              // LWPOLYLINE, VERTEX, HATCH polyline loop
inline constexpr int VERTEX_COUNT = 90;       // LWPOLYLINE
inline constexpr int POLYLINE_CLOSED_FLAG = 1;
inline constexpr int VERTEX_SPLINE_FRAME_FLAG = 16;  // a frame point of a spline-fit polyline: not drawn
inline constexpr int VERTEX_MESH_FLAG = 64;          // a vertex of a polygon mesh
inline constexpr int VERTEX_POLYFACE_FLAG = 128;     // without VERTEX_MESH_FLAG: a face record, no point of its own
inline constexpr int ELLIPSE_AXIS_RATIO = 40;
inline constexpr int ELLIPSE_START = 41;      // parameter, radians
inline constexpr int ELLIPSE_END = 42;        // parameter, radians
inline constexpr int SPLINE_DEGREE = 71;
inline constexpr int SPLINE_KNOT = 40;
inline constexpr int SPLINE_WEIGHT = 41;
inline constexpr int SPLINE_FIT_X = 11;
inline constexpr int SPLINE_FIT_Y = 21;
inline constexpr int INSERT_SCALE_X = 41;
inline constexpr int INSERT_SCALE_Y = 42;
inline constexpr int DIMENSION_BLOCK = 2;     // the anonymous block that draws a dimension

// HATCH boundaries.
inline constexpr int HATCH_LOOP_COUNT = 91;
inline constexpr int HATCH_LOOP_TYPE = 92;    // bit 2: a polyline loop
inline constexpr int HATCH_POLYLINE_LOOP_FLAG = 2;
inline constexpr int HATCH_EDGE_TYPE = 72;    // edge loops: 1 line, 2 arc, 3 elliptic arc, 4 spline
inline constexpr int HATCH_EDGE_COUNT = 93;   // also the vertex count of a polyline loop
inline constexpr int HATCH_ARC_RADIUS = 40;   // also the minor/major ratio of an elliptic arc
inline constexpr int HATCH_ARC_START = 50;    // degrees
inline constexpr int HATCH_ARC_END = 51;      // degrees
inline constexpr int HATCH_ARC_COUNTERCLOCKWISE = 73;
inline constexpr int HATCH_STYLE = 75;        // the first code after the boundary loops
inline constexpr int HATCH_PATTERN_TYPE = 76;

}  // namespace gradix::dxfcode
