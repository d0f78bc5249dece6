Included text from another file.
.LM 1
Back at margin one.
