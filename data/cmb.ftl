*.txt
*.rtf
*.doc
*.htm
*.*
