1   'Fe'   'ka'   '1'
2   'Si   ka   broken line
17   "x"   "y"   "z"
