strucstatic const float1 ofs[4] = { -, 0,
 static nst float2 ofs[4] = { const float2 ofs[4] = { -ÏÓßÏÓõŒ float2 ofs[2] = { -1, 0,
 stati\float, 0,
 }}}}}}}}}}}}}}}
