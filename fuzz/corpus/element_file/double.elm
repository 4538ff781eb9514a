1   "Fe"   "ka"   "1"
2   "Si"   "ka"   "2"
3   "Mg"   "ka"   "3"
